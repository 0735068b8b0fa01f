#include "CorvaneApp/library/SidebarView.hpp"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/library/SidebarRows.hpp"

namespace corvane {

namespace {

// A one-pixel rule across the panel.
class SidebarDivider : public QWidget {
public:
    explicit SidebarDivider(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("sidebarDivider"));
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), StudioAppearance::controlStroke()); }
};

} // namespace

SidebarView::SidebarView(SidebarActions actions, QWidget* parent) : QWidget(parent), actions_(std::move(actions))
{
    setObjectName(QStringLiteral("SidebarView"));
    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    QVBoxLayout* list = nullptr;
    auto scroll = makeStudioScrollColumn(this, list);
    scroll->setObjectName(QStringLiteral("sidebarList"));
    // The list on the panel colour, as its own background; the panel's texture
    // shows below it, under the settings button.
    QWidget* listBackground = scroll->viewport();
    QPalette listPalette = listBackground->palette();
    listPalette.setColor(QPalette::Window, StudioAppearance::panel());
    listBackground->setPalette(listPalette);
    listBackground->setAutoFillBackground(true);
    stack->addWidget(scroll, 1);
    QWidget* content = list->parentWidget();
    list->setContentsMargins(0, 10, 0, 10);

    titleRow_ = new SidebarTitleRow(content);
    list->addWidget(titleRow_);
    list->addSpacing(6);

    for (std::size_t i = 0; i < primaryLibraryDestinations.size(); ++i) {
        const LibraryDestination destination = primaryLibraryDestinations[i];
        auto row = new SidebarDestinationRow(destination, content);
        connect(row, &SidebarPressableRow::clicked, this, [this, destination] {
            if (actions_.selectionEdited) actions_.selectionEdited(destination);
        });
        list->addWidget(row);
        destinationRows_[i] = row;
    }

    recentSection_ = new QWidget(content);
    recentSection_->setObjectName(QStringLiteral("sidebarRecentSection"));
    recentColumn_ = new QVBoxLayout(recentSection_);
    recentColumn_->setContentsMargins(0, 14, 0, 0);
    recentColumn_->setSpacing(0);
    recentHeader_ = new QLabel(QStringLiteral("Peças recentes"), recentSection_);
    recentHeader_->setObjectName(QStringLiteral("sidebarRecentHeader"));
    QFont headerFont = studioCaption();
    headerFont.setWeight(QFont::DemiBold);
    recentHeader_->setFont(headerFont);
    recentHeader_->setContentsMargins(18, 0, 18, 4);
    QPalette headerPalette = recentHeader_->palette();
    headerPalette.setColor(QPalette::WindowText, StudioAppearance::tertiaryText());
    recentHeader_->setPalette(headerPalette);
    recentColumn_->addWidget(recentHeader_);
    list->addWidget(recentSection_);
    list->addStretch(1);
    recentSection_->hide();

    divider_ = new SidebarDivider(this);
    stack->addWidget(divider_);
    settingsButton_ = new SidebarSettingsButton(this);
    connect(settingsButton_, &SidebarPressableRow::clicked, this, [this] {
        if (actions_.openSettings) actions_.openSettings();
    });
    stack->addWidget(settingsButton_);
}

void SidebarView::setSelection(std::optional<LibraryDestination> destination)
{
    selection_ = destination;
    for (auto row : destinationRows_) row->setSelected(destination == row->destination());
}

void SidebarView::setRecentSongs(std::vector<RecentPracticeSong> songs)
{
    const auto shown = [](const std::vector<RecentPracticeSong>& list) {
        return std::vector<RecentPracticeSong>(list.begin(),
                                               list.begin() + std::min<std::ptrdiff_t>(list.size(), maximumRecentSongs));
    };
    const bool sameRows = shown(songs) == shown(recentSongs_) && recentRows_.size() == shown(songs).size();
    recentSongs_ = std::move(songs);
    if (!sameRows) showRecentRows();
}

void SidebarView::showRecentRows()
{
    for (auto row : recentRows_) delete row;
    recentRows_.clear();
    const std::size_t count = std::min<std::size_t>(recentSongs_.size(), maximumRecentSongs);
    for (std::size_t i = 0; i < count; ++i) {
        auto row = new SidebarRecentSongRow(recentSongs_[i], recentSection_);
        connect(row, &SidebarPressableRow::clicked, this, [this, row] {
            // A copy: the window's answer may replace this row.
            const RecentPracticeSong song = row->song();
            if (actions_.continueSong) actions_.continueSong(song);
        });
        recentColumn_->addWidget(row);
        recentRows_.push_back(row);
    }
    recentSection_->setVisible(count > 0);
}

void SidebarView::setRecentSongsSource(std::function<std::vector<RecentPracticeSong>()> source)
{
    source_ = std::move(source);
    recentSongsChanged();
}

void SidebarView::recentSongsChanged()
{
    if (!isVisible() || readQueued_) return;
    readQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        readQueued_ = false;
        if (isVisible()) readSource();
    });
}

void SidebarView::readSource()
{
    if (!source_) return;
    ++sourceReadCount_;
    setRecentSongs(source_());
}

void SidebarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    readSource();
    const Date now = Date::now();
    for (auto row : recentRows_) row->refreshDate(now);
}

void SidebarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), StudioAppearance::panel());
    painter.fillRect(rect(), QBrush(retroPanelTexture()));
}

} // namespace corvane
