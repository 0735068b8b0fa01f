#include "CorvaneApp/inspector/PracticeInspectorTab.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "CorvaneApp/inspector/InspectorLoopControls.hpp"
#include "CorvaneApp/inspector/InspectorTrackControls.hpp"
#include "CorvaneApp/inspector/PracticeReadouts.hpp"
#include "CorvaneApp/kit/HiddenScrollers.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioParameterRow.hpp"
#include "CorvaneApp/kit/StudioScrollColumn.hpp"
#include "CorvaneApp/kit/StudioSection.hpp"
#include "CorvaneApp/kit/StudioSliderTrack.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"

namespace corvane {

namespace {

constexpr int guidedRowSpacing = 12;
constexpr int sectionContentPadding = 12;

constexpr std::array modes{std::pair{PracticeMode::accompaniment, "Tocar junto"},
                           std::pair{PracticeMode::practice, "Praticar"}, std::pair{PracticeMode::wait, "Espera"}};
constexpr std::array hands{std::pair{PracticeHand::both, "Ambas"}, std::pair{PracticeHand::left, "Esquerda"},
                           std::pair{PracticeHand::right, "Direita"}};

template <class Value, std::size_t N>
QString titleOf(const std::array<std::pair<Value, const char*>, N>& table, Value value)
{
    for (const auto& [candidate, title] : table)
        if (candidate == value) return QString::fromUtf8(title);
    return {};
}

// A hairline between the page's sections.
class PageDivider : public QWidget {
public:
    explicit PageDivider(QWidget* parent = nullptr) : QWidget(parent)
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor::fromRgbF(1, 1, 1, 0.1f)); }
};

// The raised hand before the waiting text, in the page's accent.
class WaitingSymbol : public QWidget {
public:
    explicit WaitingSymbol(QWidget* parent = nullptr) : QWidget(parent)
    {
        setProperty("systemImage", QStringLiteral("hand.raised.fill"));
        setFixedSize(12, 12);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStudioSymbol(painter, QStringLiteral("hand.raised.fill"), QRectF(rect()), studioAccent(this));
    }
};

// A menu row of this page: the kit's amber, never compact, values at most 150 wide.
StudioMenuRow* menuRow(const QString& title, const QString& value, bool hasUserInterface = false)
{
    auto row = new StudioMenuRow(title, value, StudioAppearance::amber(), false, PracticeInspectorTab::menuValueWidth,
                                 hasUserInterface);
    setStudioAccent(row, StudioAppearance::amber());
    return row;
}

} // namespace

PracticeInspectorTab::PracticeInspectorTab(PracticeSessionStore& store, std::function<void()> openInstrumentEditor,
                                           QWidget* parent)
    : QWidget(parent), store_(store), openInstrumentEditor_(std::move(openInstrumentEditor))
{
    setObjectName(QStringLiteral("PracticeInspectorTab"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, StudioAppearance::panel());
    setPalette(palette);

    auto page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* column = nullptr;
    scroll_ = makeStudioScrollColumn(this, column);
    column_ = scroll_->widget();
    // Rows that appear lower down grow the column: only what moved or was
    // uncovered is painted again, not the whole page.
    column_->setAttribute(Qt::WA_StaticContents);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    page->addWidget(scroll_);

    buildGuidedPractice();
    buildCountIn();

    trackControls_ = new InspectorTrackControls(store_);
    tracks_ = new StudioSection(QStringLiteral("Faixas"), std::nullopt, paddedTop(trackControls_, sectionContentPadding),
                                trackControls_->accessory());
    loopControls_ = new InspectorLoopControls(store_);
    loops_ = new StudioSection(QStringLiteral("Trechos"), std::nullopt, paddedTop(loopControls_, sectionContentPadding),
                               loopControls_->accessory());
    session_ = new SessionReadoutGroup(store_);
    midiDivider_ = new PageDivider;
    midi_ = new MIDIPerformanceGroup(store_);

    for (QWidget* element : std::initializer_list<QWidget*>{guided_, new PageDivider, countIn_, new PageDivider,
                                                            tracks_, new PageDivider, loops_, new PageDivider,
                                                            session_, midiDivider_, midi_})
        column->addWidget(element);
    column->addStretch(1);
    hidingScrollers(this);

    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &PracticeInspectorTab::showAccent);
    connect(&store_, &PracticeSessionStore::midiLatencyStatisticsChanged, this, &PracticeInspectorTab::showMIDIGroup);
    showAccent();
    showMIDIGroup();
}

void PracticeInspectorTab::buildGuidedPractice()
{
    auto rows = new QWidget;
    auto stack = new QVBoxLayout(rows);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(guidedRowSpacing);

    mode_ = menuRow(QStringLiteral("Modo"), QString());
    for (const auto& [mode, title] : modes)
        connect(mode_->menu()->addAction(QString::fromUtf8(title)), &QAction::triggered, this,
                [this, mode] { store_.setPracticeMode(mode); });
    stack->addWidget(mode_);

    hand_ = menuRow(QStringLiteral("Mão"), QString());
    for (const auto& [hand, title] : hands)
        connect(hand_->menu()->addAction(QString::fromUtf8(title)), &QAction::triggered, this,
                [this, hand] { store_.setPracticeHand(hand); });
    stack->addWidget(hand_);

    PianoAudioEngine* engine = store_.audioEngine();
    soundStack_ = new QWidget;
    auto soundLine = new QHBoxLayout(soundStack_);
    soundLine->setContentsMargins(0, 0, 0, 0);
    soundLine->setSpacing(6);
    sound_ = menuRow(QStringLiteral("Som"), QString(), engine && engine->activeInstrumentHasUserInterface());
    sound_->setOpenEditor(openInstrumentEditor_);
    soundLine->addWidget(sound_, 1, Qt::AlignVCenter);
    soundStack_->setVisible(engine != nullptr);
    stack->addWidget(soundStack_);

    const auto& latency = practiceSettings::inputLatencyMilliseconds;
    latency_ = new StudioParameterRow(QStringLiteral("Latência"), store_.inputLatencyMilliseconds(), latency.lower,
                                      latency.upper, latency.step, StudioValueFormat::milliseconds(), std::nullopt,
                                      std::nullopt, latencyLabelWidth);
    connect(latency_, &StudioParameterRow::valueEdited, this, [this](double value) {
        // Each write saves the whole progress: only a new whole millisecond goes through.
        const auto whole = practiceSettings::inputLatencyMilliseconds.edited(value);
        if (whole && *whole != store_.inputLatencyMilliseconds()) store_.setInputLatencyMilliseconds(*whole);
    });
    stack->addWidget(latency_);

    guided_ = new StudioSection(QStringLiteral("Prática guiada"), std::nullopt, rows);

    connect(&store_, &PracticeSessionStore::practiceModeChanged, this, &PracticeInspectorTab::showMode);
    connect(&store_, &PracticeSessionStore::practiceHandChanged, this, &PracticeInspectorTab::showHand);
    connect(&store_, &PracticeSessionStore::inputLatencyMillisecondsChanged, this, &PracticeInspectorTab::showLatency);
    if (engine) {
        connect(engine, &PianoAudioEngine::selectedInstrumentChanged, this, &PracticeInspectorTab::showInstrument);
        connect(engine, &PianoAudioEngine::activeInstrumentHasUserInterfaceChanged, this,
                &PracticeInspectorTab::showInstrument);
        connect(engine, &PianoAudioEngine::availableInstrumentsChanged, this,
                &PracticeInspectorTab::fillInstrumentMenu);
    }
    showMode();
    showHand();
    fillInstrumentMenu();
    showInstrument();
    showLatency();
}

void PracticeInspectorTab::buildCountIn()
{
    auto rows = new QWidget;
    auto stack = new QVBoxLayout(rows);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(guidedRowSpacing);

    auto switchRow = new QWidget;
    auto switchLine = new QHBoxLayout(switchRow);
    switchLine->setContentsMargins(0, 0, 0, 0);
    switchLine->addWidget(new StudioFieldLabel(QStringLiteral("Contagem antes de tocar")), 0, Qt::AlignVCenter);
    switchLine->addStretch(1);
    countInSwitch_ = new StudioSwitch;
    countInSwitch_->setAccessibleName(QStringLiteral("Contagem antes de tocar"));
    switchLine->addWidget(countInSwitch_, 0, Qt::AlignVCenter);
    // Only the user's clicks come back here; the controller's value is mirrored after.
    connect(countInSwitch_, &QAbstractButton::clicked, this, [this](bool on) {
        store_.setCountInEnabled(on);
        showCountIn();
    });
    stack->addWidget(switchRow);

    duration_ = menuRow(QStringLiteral("Duração"), QString());
    for (std::int64_t n = 1; n <= 4; ++n)
        connect(duration_->menu()->addAction(countInLabel(n)), &QAction::triggered, this,
                [this, n] { store_.setCountInMeasureCount(n); });
    stack->addWidget(duration_);

    waiting_ = new QWidget;
    auto waitingLine = new QHBoxLayout(waiting_);
    waitingLine->setContentsMargins(0, 0, 0, 0);
    waitingLine->setSpacing(5);
    waitingLine->addWidget(new WaitingSymbol, 0, Qt::AlignTop);
    waitingLabel_ = new QLabel;
    waitingLabel_->setTextFormat(Qt::PlainText);
    waitingLabel_->setFont(studioCaption());
    waitingLabel_->setWordWrap(true);
    waitingLine->addWidget(waitingLabel_, 1);
    stack->addWidget(waiting_);

    countIn_ = new StudioSection(QStringLiteral("Contagem"), std::nullopt, rows);

    connect(&store_, &PracticeSessionStore::countInEnabledChanged, this, &PracticeInspectorTab::showCountIn);
    connect(&store_, &PracticeSessionStore::countInMeasureCountChanged, this, &PracticeInspectorTab::showCountIn);
    connect(&store_, &PracticeSessionStore::countInProgressChanged, this, &PracticeInspectorTab::showCountIn);
    connect(&store_, &PracticeSessionStore::isWaitingForInputChanged, this, &PracticeInspectorTab::showWaiting);
    connect(&store_, &PracticeSessionStore::waitingNotesChanged, this, &PracticeInspectorTab::showWaiting);
    showCountIn();
    showWaiting();
}

QColor PracticeInspectorTab::accent() const
{
    const VisualPreset& preset = store_.visualPreset();
    return studioHsbColor(preset.accentHue, preset.accentSaturation, preset.accentBrightness);
}

QString PracticeInspectorTab::countInLabel(std::int64_t measures)
{
    if (measures == 1) return QStringLiteral("1 compasso");
    return QString::number(qlonglong(measures)) + QStringLiteral(" compassos");
}

std::vector<QWidget*> PracticeInspectorTab::columnElements() const
{
    std::vector<QWidget*> elements;
    QLayout* column = column_->layout();
    for (int i = 0; i < column->count(); ++i)
        if (QWidget* widget = column->itemAt(i)->widget()) elements.push_back(widget);
    return elements;
}

QString PracticeInspectorTab::waitingText() const { return waitingLabel_->text(); }
QColor PracticeInspectorTab::waitingColor() const { return waitingLabel_->palette().color(QPalette::WindowText); }

void PracticeInspectorTab::showAccent()
{
    const QColor colour = accent();
    setStudioAccent(this, colour);
    if (waitingColor() == colour) return;
    QPalette palette = waitingLabel_->palette();
    palette.setColor(QPalette::WindowText, colour);
    waitingLabel_->setPalette(palette);
}

void PracticeInspectorTab::showMode() { mode_->setValue(titleOf(modes, store_.practiceMode())); }
void PracticeInspectorTab::showHand() { hand_->setValue(titleOf(hands, store_.practiceHand())); }

void PracticeInspectorTab::showInstrument()
{
    const PianoAudioEngine* engine = store_.audioEngine();
    if (!engine) return;
    sound_->setValue(QString::fromStdString(engine->selectedInstrument().name));
    sound_->setActiveInstrumentHasUserInterface(engine->activeInstrumentHasUserInterface());
}

// The engine's list as it stands; a press asks the engine even for the
// instrument already playing (it ignores that itself).
void PracticeInspectorTab::fillInstrumentMenu()
{
    QMenu* menu = sound_->menu();
    menu->clear();
    PianoAudioEngine* engine = store_.audioEngine();
    if (!engine) return;
    for (const auto& instrument : engine->availableInstruments()) {
        QAction* action = menu->addAction(QString::fromStdString(instrument.name));
        action->setData(QString::fromStdString(instrument.id));
        connect(action, &QAction::triggered, this, [engine, id = instrument.id] { engine->selectInstrument(id); });
    }
}

void PracticeInspectorTab::showLatency()
{
    const double value = store_.inputLatencyMilliseconds();
    if (latency_->value() != value) latency_->setValue(value);
}

void PracticeInspectorTab::showCountIn()
{
    const bool enabled = store_.countInEnabled();
    if (countInSwitch_->isChecked() != enabled) {
        const QSignalBlocker quiet(countInSwitch_);
        countInSwitch_->setChecked(enabled);
    }
    duration_->setValue(countInLabel(store_.countInMeasureCount()));
    duration_->setEnabled(enabled && !store_.countInProgress());
}

void PracticeInspectorTab::showWaiting()
{
    const bool waiting = store_.isWaitingForInput();
    if (waiting) {
        const QString text = waitingNotesText(store_.waitingNotes());
        if (waitingLabel_->text() != text) waitingLabel_->setText(text);
    }
    waiting_->setVisible(waiting);
}

void PracticeInspectorTab::showMIDIGroup()
{
    const bool has = store_.midiLatencyStatistics().has_value();
    midiDivider_->setVisible(has);
    midi_->setVisible(has);
}

} // namespace corvane
