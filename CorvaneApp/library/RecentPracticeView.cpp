#include "CorvaneApp/library/RecentPracticeView.hpp"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuEntry.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/LibraryContentScreens.hpp"
#include "CorvaneApp/library/RecentPracticeRows.hpp"

namespace corvane {

// The rounded, slightly raised group behind the rows of one section, with
// hairlines between the rows.
class RecentPracticeSectionBox : public QWidget {
public:
    explicit RecentPracticeSectionBox(QWidget* parent) : QWidget(parent)
    {
        rows_ = new QVBoxLayout(this);
        rows_->setContentsMargins(0, 0, 0, 0);
        rows_->setSpacing(0);
    }

    QVBoxLayout* rows() const { return rows_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(outline, StudioAppearance::controlFill());
        painter.setPen(QPen(StudioAppearance::controlStroke(), 1));
        painter.drawPath(outline);
        // Hairlines start past the symbols, as in an inset list.
        const int indent = 14 + RecentPracticeRow::symbolFrameWidth + RecentPracticeRow::spacing;
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(StudioAppearance::controlStroke(), 1));
        for (int i = 0; i + 1 < rows_->count(); ++i) {
            const QWidget* row = rows_->itemAt(i)->widget();
            if (!row) continue;
            const int y = row->geometry().bottom();
            painter.drawLine(indent, y, width() - 1, y);
        }
    }

private:
    QVBoxLayout* rows_;
};

namespace {

constexpr int headerHeight = 52;
constexpr int listMargin = 18;

void fill(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

// Brings `rows` to the length and data of `items`, reusing the rows in
// place; a row whose data is unchanged is left alone. How many rows were made
// or changed.
template <typename Row, typename Item, typename Make, typename Assign>
int reconcileRows(std::vector<Row*>& rows, const std::vector<Item>& items, QVBoxLayout* layout, Make make,
                  Assign assign)
{
    int changes = 0;
    const std::size_t kept = std::min(rows.size(), items.size());
    for (std::size_t i = 0; i < kept; ++i)
        if (assign(rows[i], items[i])) ++changes;
    while (rows.size() > items.size()) {
        delete rows.back();
        rows.pop_back();
    }
    for (std::size_t i = rows.size(); i < items.size(); ++i) {
        Row* row = make(items[i]);
        layout->addWidget(row);
        rows.push_back(row);
        ++changes;
    }
    return changes;
}

} // namespace

RecentPracticeView::RecentPracticeView(RecentPracticeActions actions, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions))
{
    setObjectName(QStringLiteral("RecentPracticeView"));
    fill(this, StudioAppearance::panel());

    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // The screen's own heading; the window keeps the open song's title.
    auto header = new QWidget(this);
    header->setObjectName(QStringLiteral("recentHeader"));
    header->setFixedHeight(headerHeight);
    auto headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(listMargin, 8, 12, 8);
    auto title = new QLabel(QStringLiteral("Recentes"), header);
    title->setObjectName(QStringLiteral("recentTitle"));
    title->setFont(studioTitleSmall());
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    title->setPalette(titlePalette);
    headerRow->addWidget(title);
    headerRow->addStretch(1);
    column->addWidget(header);

    pages_ = new QStackedWidget(this);
    column->addWidget(pages_, 1);

    emptyState_ = new LibraryUnavailableContent(pages_);
    emptyState_->setObjectName(QStringLiteral("recentEmptyState"));
    emptyState_->setContent(QStringLiteral("clock"), QStringLiteral("Nenhuma prática registrada"),
                            QStringLiteral("As músicas e sessões praticadas aparecerão aqui."));
    pages_->addWidget(emptyState_);

    QVBoxLayout* list = nullptr;
    scrollArea_ = makeStudioScrollColumn(pages_, list);
    scrollArea_->setObjectName(QStringLiteral("recentList"));
    pages_->addWidget(scrollArea_);
    list->setContentsMargins(listMargin, 4, listMargin, 18);

    const auto section = [&](const QString& name, StudioSectionLabel*& label, RecentPracticeSectionBox*& box) {
        label = new StudioSectionLabel(name, list->parentWidget());
        list->addSpacing(10);
        list->addWidget(label);
        list->addSpacing(6);
        box = new RecentPracticeSectionBox(list->parentWidget());
        list->addWidget(box);
    };
    StudioSectionLabel* songsLabel = nullptr;
    section(QStringLiteral("Músicas recentes"), songsLabel, songBox_);
    songsLabel->setObjectName(QStringLiteral("recentSongsSection"));
    section(QStringLiteral("Sessões"), sessionsLabel_, sessionBox_);
    sessionsLabel_->setObjectName(QStringLiteral("sessionsSection"));
    list->addStretch(1);

    setContents({});
}

RecentPracticeView::~RecentPracticeView() = default;

void RecentPracticeView::setSource(std::function<RecentPracticeContents()> source)
{
    source_ = std::move(source);
    sourceChanged();
}

void RecentPracticeView::sourceChanged()
{
    // Hidden, the next showing reads the source anyway.
    if (!isVisible() || readQueued_) return;
    readQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        readQueued_ = false;
        if (isVisible()) readSource();
    });
}

void RecentPracticeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    readSource();
    // The songs' relative dates move on while the screen is away.
    const Date now = Date::now();
    for (auto row : songRows_) row->refreshDate(now);
}

void RecentPracticeView::readSource()
{
    if (!source_) return;
    ++sourceReadCount_;
    setContents(source_());
}

void RecentPracticeView::setContents(RecentPracticeContents contents)
{
    contents_ = std::move(contents);
    applySongs();
    applyHistory();
    pages_->setCurrentWidget(contents_.recentSongs.empty() ? static_cast<QWidget*>(emptyState_) : scrollArea_);
}

bool RecentPracticeView::isShowingEmptyState() const { return pages_->currentWidget() == emptyState_; }

void RecentPracticeView::applySongs()
{
    const std::size_t countBefore = songRows_.size();
    rowChangeCount_ += reconcileRows(
        songRows_, contents_.recentSongs, songBox_->rows(),
        [this](const RecentPracticeSong& song) {
            auto row = new RecentSongRow(song, songBox_);
            // Each click reads the row's song as it is then.
            connect(row, &RecentPracticeRow::clicked, this, [this, row] {
                if (actions_.continueSong) actions_.continueSong(RecentPracticeSong(row->song()));
            });
            connect(row, &RecentSongRow::menuRequested, this,
                    [this, row](const QPoint& position) { showSongMenu(row, position); });
            return row;
        },
        [](RecentSongRow* row, const RecentPracticeSong& song) { return row->setSong(song); });
    songBox_->setVisible(!songRows_.empty());
    // Rows repaint themselves; the box only when its hairlines move.
    if (songRows_.size() != countBefore) songBox_->update();
}

void RecentPracticeView::applyHistory()
{
    const std::size_t countBefore = historyRows_.size();
    rowChangeCount_ += reconcileRows(
        historyRows_, contents_.history, sessionBox_->rows(),
        [this](const PracticeHistoryEntry& session) {
            auto row = new PracticeHistoryRow(session, sessionBox_);
            connect(row, &RecentPracticeRow::clicked, this, [this, row] {
                if (actions_.continueSession) actions_.continueSession(PracticeHistoryEntry(row->session()));
            });
            return row;
        },
        [](PracticeHistoryRow* row, const PracticeHistoryEntry& session) { return row->setSession(session); });
    sessionBox_->setVisible(!historyRows_.empty());
    // Rows repaint themselves; the box only when its hairlines move.
    if (historyRows_.size() != countBefore) sessionBox_->update();
}

QMenu* RecentPracticeView::makeSongMenu(const RecentPracticeSong& song, QWidget* parent)
{
    auto menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("recentSongMenu"));
    // The menu names its song by value: the list may change while it is open.
    QPointer<RecentPracticeView> self(this);
    connect(addStudioMenuEntry(menu, QStringLiteral("Continuar prática"), QStringLiteral("play.fill")), &QAction::triggered,
            menu, [self, song] {
                if (self && self->actions_.continueSong) self->actions_.continueSong(song);
            });
    menu->addSeparator();
    connect(addStudioMenuEntry(menu, QStringLiteral("Zerar desempenho"), QStringLiteral("arrow.counterclockwise"), true),
            &QAction::triggered, menu, [self, song] {
                if (self) self->requestReset(song);
            });
    return menu;
}

void RecentPracticeView::showSongMenu(RecentSongRow* row, const QPoint& globalPosition)
{
    QMenu* menu = makeSongMenu(row->song(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void RecentPracticeView::requestReset(const RecentPracticeSong& song)
{
    songPendingReset_ = song;
    if (!resetAlert_) {
        resetAlert_ = new QMessageBox(this);
        resetAlert_->setObjectName(QStringLiteral("resetAlert"));
        resetAlert_->setIcon(QMessageBox::Warning);
        resetAlert_->setWindowModality(Qt::WindowModal);
        resetAlert_->setInformativeText(QStringLiteral("As sessões, o histórico e o desempenho dos trechos desta música "
                                                       "voltam a zero. Os trechos salvos permanecem."));
        auto reset = resetAlert_->addButton(QStringLiteral("Zerar"), QMessageBox::DestructiveRole);
        auto cancel = resetAlert_->addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
        resetAlert_->setDefaultButton(cancel);
        resetAlert_->setEscapeButton(cancel);
        connect(resetAlert_, &QMessageBox::finished, this,
                [this, reset] { finishReset(resetAlert_ && resetAlert_->clickedButton() == reset); });
    }
    const QString title = QStringLiteral("Zerar desempenho de %1?").arg(QString::fromStdString(song.title));
    resetAlert_->setWindowTitle(title);
    resetAlert_->setText(title);
    if (!resetAlert_->isVisible()) resetAlert_->open();
}

void RecentPracticeView::finishReset(bool confirmed)
{
    // Cleared first: the reset changes the lists, which may ask again.
    const std::optional<RecentPracticeSong> song = std::exchange(songPendingReset_, std::nullopt);
    if (confirmed && song && actions_.resetSong) actions_.resetSong(*song);
}

} // namespace corvane
