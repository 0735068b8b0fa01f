#include "CorvaneApp/workspace/TrackSelectionSheet.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/TrackListView.hpp"
#include "CorvaneApp/kit/TrackRowView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/workspace/TrackSelectionModel.hpp"

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
    : QDialog(parent), store_(store), model_(new TrackSelectionModel(store, this))
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

    for (auto changed : {&PracticeSessionStore::timelineNotesChanged, &PracticeSessionStore::trackSettingsChanged})
        connect(&store_, changed, this, &TrackSelectionSheet::applySettings);
    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &TrackSelectionSheet::applyAccent);
    applyAccent();
    applySettings();
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
    list_ = new TrackListView(this);
    list_->setPadding(QMargins(20, 16, 20, 16));
    list_->setSpacing(10, 10);
    list_->setModel(model_);
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

std::vector<TrackSelectionSheet::Row> TrackSelectionSheet::rows() const
{
    std::vector<Row> rows;
    for (TrackRowView* view : list_->madeRows()) rows.push_back({model_->entry(list_->rowOf(view)).trackIndex, view});
    return rows;
}

TrackRowView* TrackSelectionSheet::row(std::int64_t trackIndex) const { return list_->madeRow(trackIndex); }

// The list follows its model; the footer, the settings.
void TrackSelectionSheet::applySettings() { onlyAssigned_->setVisible(store_.hasUnassignedPlayableTracks()); }

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
