#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr double footerChipHeight = 20;

// A hairline between the header, the list and the footer.
class SheetDivider : public QWidget {
public:
    explicit SheetDivider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), QColor::fromRgbF(1, 1, 1, 0.16f * 0.5f));
    }
};

} // namespace

TrackSelectionSheet::TrackSelectionSheet(PracticeSessionStore& store, QWidget* parent)
    : QDialog(parent), store_(store)
{
    setObjectName(QStringLiteral("TrackSelectionSheet"));
    setWindowTitle(QStringLiteral("Escolha as faixas"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(sheetWidth, sheetHeight);

    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(makeHeader());
    stack->addWidget(new SheetDivider(this));
    stack->addWidget(makeList(), 1);
    stack->addWidget(new SheetDivider(this));
    stack->addWidget(makeFooter());

    connect(&store_, &PracticeSessionStore::timelineNotesChanged, this, &TrackSelectionSheet::syncRows);
    connect(&store_, &PracticeSessionStore::trackNamesChanged, this, &TrackSelectionSheet::syncRows);
    connect(&store_, &PracticeSessionStore::trackSettingsChanged, this, &TrackSelectionSheet::applySettings);
    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &TrackSelectionSheet::applyAccent);
    applyAccent();
    syncRows();
}

QWidget* TrackSelectionSheet::makeHeader()
{
    auto header = new QWidget(this);
    auto column = new QVBoxLayout(header);
    column->setContentsMargins(20, 20, 20, 14);
    column->setSpacing(6);
    title_ = studioTextLabel(QStringLiteral("Escolha as faixas"), studioTitleSmall(), StudioAppearance::primaryText(), header);
    message_ = studioTextLabel(QStringLiteral("Desligue o que não faz parte do seu estudo e diga qual faixa é de cada mão. "
                                        "Dá para mudar depois, na aba Prática."),
                         studioCaption(), StudioAppearance::secondaryText(), header);
    message_->setWordWrap(true);
    // All of it shows, on as many lines as it needs.
    message_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    column->addWidget(title_);
    column->addWidget(message_);
    return header;
}

QWidget* TrackSelectionSheet::makeList()
{
    list_ = makeStudioScrollColumn(this, rowStack_);
    rowStack_->setContentsMargins(20, 16, 20, 16);
    rowStack_->setSpacing(10);
    rowStack_->addStretch(1);
    hidingScrollers(this);
    return list_;
}

QWidget* TrackSelectionSheet::makeFooter()
{
    auto footer = new QWidget(this);
    auto row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(8);
    onlyAssigned_ = new StudioChipButton(QStringLiteral("Só as atribuídas"), footerChipHeight, std::nullopt, footer);
    onlyAssigned_->setHelp(QStringLiteral("Cala todas as faixas que não são esquerda nem direita"));
    allOn_ = new StudioChipButton(QStringLiteral("Ligar todas"), footerChipHeight, std::nullopt, footer);
    start_ = new QPushButton(QStringLiteral("Começar"), footer);
    start_->setDefault(true);
    row->addWidget(onlyAssigned_);
    row->addWidget(allOn_);
    row->addStretch(1);
    row->addWidget(start_);

    connect(onlyAssigned_, &QAbstractButton::clicked, this, [this] { store_.muteTracksWithoutHand(); });
    connect(allOn_, &QAbstractButton::clicked, this, [this] { store_.unmuteAllTracks(); });
    // The window that shows the sheet dismisses the selection on `finished`.
    connect(start_, &QPushButton::clicked, this, &QDialog::accept);
    return footer;
}

TrackRowView* TrackSelectionSheet::row(std::int64_t trackIndex) const
{
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), trackIndex,
                                        [](const Row& row, std::int64_t index) { return row.trackIndex < index; });
    return found != rows_.end() && found->trackIndex == trackIndex ? found->view : nullptr;
}

// Labels and note counts are read once per song; a click only changes
// hands and mute flags, which applySettings() brings over.
void TrackSelectionSheet::syncRows()
{
    const auto& indices = store_.colorTrackIndices();
    std::map<std::int64_t, TrackRowView*> kept;
    for (const Row& row : rows_) {
        if (std::binary_search(indices.begin(), indices.end(), row.trackIndex)) {
            kept.emplace(row.trackIndex, row.view);
            continue;
        }
        // The song no longer has this track. The row may be the one whose
        // click is being handled, so it goes once the event loop is back.
        rowStack_->removeWidget(row.view);
        row.view->hide();
        row.view->deleteLater();
    }
    rows_.clear();
    rows_.reserve(indices.size());
    QWidget* content = list_->widget();
    // The kept rows are in the stack in track order; new ones go in between.
    for (std::size_t position = 0; position < indices.size(); ++position) {
        const std::int64_t index = indices[position];
        TrackRowView* view = nullptr;
        if (const auto found = kept.find(index); found != kept.end()) {
            view = found->second;
        } else {
            view = new TrackRowView([this, index](PracticeTrackHand hand) { store_.setTrackHand(hand, index); },
                                    [this, index](bool muted) { store_.setTrackMuted(muted, index); }, content);
            rowStack_->insertWidget(static_cast<int>(position), view);
            view->show();
        }
        const PracticeTrackSetting setting = store_.trackSetting(index);
        view->setValues(QString::fromStdString(store_.trackLabel(index)),
                        TrackRowView::noteCountText(store_.trackNoteCount(index)), setting.hand, setting.isMuted);
        rows_.push_back({index, view});
    }
    onlyAssigned_->setVisible(store_.hasUnassignedPlayableTracks());
}

void TrackSelectionSheet::applySettings()
{
    for (const Row& row : rows_) {
        const PracticeTrackSetting setting = store_.trackSetting(row.trackIndex);
        row.view->setValues(row.view->label(), row.view->subtitle(), setting.hand, setting.isMuted);
    }
    onlyAssigned_->setVisible(store_.hasUnassignedPlayableTracks());
}

QColor TrackSelectionSheet::accent() const
{
    const VisualPreset& preset = store_.visualPreset();
    return studioHsbColor(preset.accentHue, preset.accentSaturation, preset.accentBrightness);
}

// The chips take the window's studio accent; the platform's controls are
// tinted here, the default button filled with the accent.
void TrackSelectionSheet::applyAccent()
{
    const QColor tint = accent();
    QPalette dark = StudioAppearance::darkPalette();
    dark.setColor(QPalette::Highlight, tint);
    dark.setColor(QPalette::Link, tint);
    setPalette(dark);
    QPalette button = dark;
    button.setColor(QPalette::Button, tint);
    button.setColor(QPalette::ButtonText, tint.lightnessF() > 0.6 ? QColor(20, 16, 10) : QColor(Qt::white));
    start_->setPalette(button);
}

void TrackSelectionSheet::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), StudioAppearance::panel());
    painter.fillRect(rect(), QBrush(retroPanelTexture()));
}

} // namespace corvane
