#include "CorvaneApp/inspector/InspectorLoopControls.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "CorvaneApp/inspector/InspectorLoopLabels.hpp"
#include "CorvaneApp/inspector/SavedLoopRow.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/StudioMenuRow.hpp"
#include "CorvaneApp/kit/StudioStepperRow.hpp"
#include "CorvaneApp/kit/StudioSwitch.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/kit/StudioTrackSlider.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr int columnSpacing = 12;
constexpr int savedSpacing = 8;
constexpr int measureRowSpacing = 6;
constexpr double markChipHeight = 19;
constexpr int measureTextWidth = 28;
constexpr double activeTolerance = 0.01;

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(studioCaption());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::secondaryText());
    label->setPalette(palette);
    return label;
}

// A hairline at 40 % of a separator's strength.
class FaintDivider : public QWidget {
public:
    explicit FaintDivider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor::fromRgbF(1, 1, 1, 0.16f * 0.4f)); }
};

} // namespace

InspectorLoopControls::InspectorLoopControls(PracticeSessionStore& store, QWidget* parent)
    : QWidget(parent), store_(store)
{
    setObjectName(QStringLiteral("InspectorLoopControls"));
    buildAccessory();

    auto stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    emptyText_ = captionLabel(QStringLiteral("Abra uma música para selecionar um trecho."), this);
    emptyText_->setWordWrap(true);
    stack->addWidget(emptyText_);

    editor_ = new QWidget(this);
    auto column = new QVBoxLayout(editor_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(columnSpacing);
    stack->addWidget(editor_);

    buildMeasureRows(column);
    buildFineAdjustment(column);
    buildSavedLoops(column);
    followController();
    showSwitch();
    showSelection();
    showStep();
    showSaveState();
    syncSavedRows();
}

void InspectorLoopControls::buildAccessory()
{
    // Until a section takes it, the accessory has no parent and is never shown.
    accessory_ = new QWidget;
    auto accessoryRow = new QHBoxLayout(accessory_);
    accessoryRow->setContentsMargins(0, 0, 0, 0);
    repeatSwitch_ = new StudioSwitch(QString(), accessory_);
    repeatSwitch_->setAccessibleName(QStringLiteral("Repetir trecho"));
    repeatSwitch_->setToolTip(QStringLiteral("Repetir o trecho marcado"));
    accessoryRow->addWidget(repeatSwitch_);
    connect(repeatSwitch_, &QAbstractButton::clicked, this, [this](bool on) {
        if (on)
            store_.applyLoopSelection();
        else
            store_.updateLoop(std::nullopt);
        // The controller may have refused: the switch shows what it holds.
        showSwitch();
    });

}

void InspectorLoopControls::buildMeasureRows(QVBoxLayout* column)
{
    column->addWidget(measureRow(QStringLiteral("Compasso inicial"), startSlider_, startMark_, startMeasure_,
                                 QStringLiteral("flag.fill"),
                                 QStringLiteral("Marcar o início do trecho onde a música está agora")));
    column->addWidget(measureRow(QStringLiteral("Compasso final"), endSlider_, endMark_, endMeasure_,
                                 QStringLiteral("flag.checkered"),
                                 QStringLiteral("Marcar o fim do trecho onde a música está agora")));
    // Marks read the position at the moment of the press; playback goes on.
    connect(startMark_, &QAbstractButton::clicked, this, [this] {
        store_.setLoopSelectionStart(store_.playbackPositionSeconds());
        store_.applyLoopSelection();
    });
    connect(endMark_, &QAbstractButton::clicked, this, [this] {
        store_.setLoopSelectionEnd(store_.playbackPositionSeconds());
        store_.applyLoopSelection();
    });

}

void InspectorLoopControls::buildFineAdjustment(QVBoxLayout* column)
{
    // Fine adjustment.
    column->addWidget(new FaintDivider(editor_));
    stepRow_ = new StudioMenuRow(QStringLiteral("Ajuste fino"), QString(), StudioAppearance::amber(), false, 150,
                                 false, editor_);
    for (const double step : loopNudgeSteps)
        connect(stepRow_->menu()->addAction(stepLabel(step)), &QAction::triggered, this,
                [this, step] { store_.setLoopNudgeStepSeconds(step); });
    column->addWidget(stepRow_);
    // The rows' own step is fixed when they are made, while the stored one
    // may change: they give the direction, the stored step the size.
    startStepper_ = new StudioStepperRow(
        QStringLiteral("Início"), QString(), loopNudgeStepSeconds(), labelWidth,
        [this](double delta) { nudgeStart(std::copysign(loopNudgeStepSeconds(), delta)); }, editor_);
    endStepper_ = new StudioStepperRow(
        QStringLiteral("Fim"), QString(), loopNudgeStepSeconds(), labelWidth,
        [this](double delta) { nudgeEnd(std::copysign(loopNudgeStepSeconds(), delta)); }, editor_);
    column->addWidget(startStepper_);
    column->addWidget(endStepper_);

}

void InspectorLoopControls::buildSavedLoops(QVBoxLayout* column)
{
    // Saved loops.
    auto saved = new QWidget(editor_);
    savedColumn_ = new QVBoxLayout(saved);
    savedColumn_->setContentsMargins(0, 0, 0, 0);
    savedColumn_->setSpacing(savedSpacing);
    column->addWidget(saved);
    savedColumn_->addWidget(new FaintDivider(saved));
    auto header = new QWidget(saved);
    auto headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->addWidget(new StudioFieldLabel(QStringLiteral("Trechos salvos"), header));
    headerRow->addStretch(1);
    saveButton_ = new QToolButton(header);
    saveButton_->setText(QStringLiteral("Salvar atual"));
    saveButton_->setIcon(studioSymbolIcon(QStringLiteral("plus"), 11, StudioAppearance::primaryText()));
    saveButton_->setIconSize(QSize(11, 11));
    saveButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    saveButton_->setAutoRaise(true);
    saveButton_->setFocusPolicy(Qt::TabFocus);
    saveButton_->setFont(studioCaption());
    saveButton_->setToolTip(QStringLiteral("Guarda o trecho ativo pelos compassos que ele cobre"));
    connect(saveButton_, &QToolButton::clicked, this, [this] { store_.saveCurrentLoop(std::string()); });
    headerRow->addWidget(saveButton_);
    savedColumn_->addWidget(header);
    savedEmptyText_ =
        captionLabel(QStringLiteral("Marque um trecho na régua e salve para montar seu roteiro de estudo."), saved);
    savedEmptyText_->setWordWrap(true);
    savedColumn_->addWidget(savedEmptyText_);

}

void InspectorLoopControls::followController()
{
    connect(&store_, &PracticeSessionStore::timelineDurationSecondsChanged, this, [this] {
        showSwitch();
        showSelection();
    });
    connect(&store_, &PracticeSessionStore::measureMarkersChanged, this, [this] {
        showSelection();
        showSaveState();
        syncSavedRows();
    });
    connect(&store_, &PracticeSessionStore::loopSelectionStartSecondsChanged, this,
            &InspectorLoopControls::showSelection);
    connect(&store_, &PracticeSessionStore::loopSelectionEndSecondsChanged, this,
            &InspectorLoopControls::showSelection);
    connect(&store_, &PracticeSessionStore::loopRangeChanged, this, [this] {
        showSwitch();
        showSaveState();
        syncSavedRows();
    });
    connect(&store_, &PracticeSessionStore::currentSongReferenceChanged, this, [this] {
        showSaveState();
        syncSavedRows();
    });
    connect(&store_, &PracticeSessionStore::progressRevisionChanged, this, &InspectorLoopControls::syncSavedRows);
    connect(&store_, &PracticeSessionStore::loopNudgeStepSecondsChanged, this, &InspectorLoopControls::showStep);
}

InspectorLoopControls::~InspectorLoopControls()
{
    if (accessory_ && !accessory_->parent()) delete accessory_.data();
}

QWidget* InspectorLoopControls::measureRow(const QString& title, StudioTrackSlider*& slider, StudioChipButton*& mark,
                                           QLabel*& measure, const QString& symbol, const QString& help)
{
    auto row = new QWidget(editor_);
    auto layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(measureRowSpacing);

    auto label = new StudioFieldLabel(title, row);
    label->setFixedWidth(labelWidth);
    layout->addWidget(label);
    layout->addSpacing(4);

    slider = new StudioTrackSlider(1, 1, 1.0, std::nullopt, std::nullopt, row);
    slider->setThumbSize(14);
    slider->setTrackHeight(6);
    slider->setCellHeight(10);
    slider->setAccessibleName(title);
    slider->installEventFilter(this);
    connect(slider, &StudioTrackSlider::valueEdited, this,
            [this, slider](double value) { sliderEdited(slider, value); });
    layout->addWidget(slider, 1);

    mark = new StudioChipButton(StudioChipButton::Symbol{symbol}, markChipHeight, std::nullopt, row);
    mark->setHelp(help);
    layout->addWidget(mark);

    measure = new QLabel(row);
    measure->setTextFormat(Qt::PlainText);
    measure->setFont(studioReadoutLarge());
    measure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    measure->setFixedWidth(measureTextWidth);
    QPalette palette = measure->palette();
    palette.setColor(QPalette::WindowText, StudioAppearance::primaryText());
    measure->setPalette(palette);
    layout->addSpacing(2);
    layout->addWidget(measure);
    return row;
}

// A drag writes at every move, and the slider may ask again for a measure
// the controller already answered (it shows the controller's, not its own);
// within one drag such a repeat is skipped. The press itself always asks.
bool InspectorLoopControls::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == startSlider_ || watched == endSlider_) {
        if (event->type() == QEvent::MouseButtonPress) {
            dragged_ = static_cast<StudioTrackSlider*>(watched);
            lastDragMeasure_.reset();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            dragged_ = nullptr;
            lastDragMeasure_.reset();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void InspectorLoopControls::sliderEdited(StudioTrackSlider* slider, double value)
{
    if (!std::isfinite(value)) return;
    const auto measure = static_cast<std::int64_t>(std::trunc(value));
    if (slider == dragged_) {
        if (lastDragMeasure_ == measure) return;
        lastDragMeasure_ = measure;
    }
    if (slider == startSlider_)
        store_.setLoopStartMeasure(measure);
    else
        store_.setLoopEndMeasure(measure);
    // A refused measure leaves the selection as it was: show it again.
    showSelection();
}

double InspectorLoopControls::loopNudgeStepSeconds() const { return store_.loopNudgeStepSeconds(); }

void InspectorLoopControls::nudgeStart(double delta)
{
    if (!(store_.timelineDurationSeconds() > 0) || !std::isfinite(delta)) return;
    store_.setLoopSelectionStart(store_.loopSelectionStartSeconds() + delta);
    store_.applyLoopSelection();
}

void InspectorLoopControls::nudgeEnd(double delta)
{
    if (!(store_.timelineDurationSeconds() > 0) || !std::isfinite(delta)) return;
    store_.setLoopSelectionEnd(store_.loopSelectionEndSeconds() + delta);
    store_.applyLoopSelection();
}

void InspectorLoopControls::showSwitch()
{
    const QSignalBlocker blocker(repeatSwitch_);
    repeatSwitch_->setChecked(store_.loopRange().has_value());
    repeatSwitch_->setEnabled(store_.timelineDurationSeconds() > 0);
}

void InspectorLoopControls::showSelection()
{
    const auto measures = store_.loopSelectionMeasures();
    const bool editing = store_.timelineDurationSeconds() > 0 && measures;
    emptyText_->setVisible(!editing);
    editor_->setVisible(editing);
    if (!editing) return;
    const double last = double(std::max<std::int64_t>(store_.lastMeasureNumber(), 1));
    const QLocale locale = QLocale::system();
    for (auto [slider, label, value] : {std::tuple{startSlider_, startMeasure_, measures->start},
                                        std::tuple{endSlider_, endMeasure_, measures->end}}) {
        slider->setRange(1, last);
        slider->setValue(double(value));
        label->setText(locale.toString(qlonglong(value)));
    }
    startStepper_->setReadout(preciseTimeLabel(store_.loopSelectionStartSeconds()));
    endStepper_->setReadout(preciseTimeLabel(store_.loopSelectionEndSeconds()));
}

void InspectorLoopControls::showStep() { stepRow_->setValue(stepLabel(loopNudgeStepSeconds())); }

void InspectorLoopControls::showSaveState() { saveButton_->setEnabled(store_.canSaveCurrentLoop()); }

bool InspectorLoopControls::isActive(const PracticeLoopBookmark& bookmark) const
{
    const auto& active = store_.loopRange();
    const auto& map = store_.measureMap();
    if (!active || !map) return false;
    const auto range = loopRange(*map, bookmark);
    return range && std::abs(range->startSeconds - active->startSeconds) < activeTolerance &&
           std::abs(range->endSeconds - active->endSeconds) < activeTolerance;
}

void InspectorLoopControls::activate(const PracticeLoopBookmark& bookmark)
{
    const auto& map = store_.measureMap();
    if (!map) return;
    const auto range = loopRange(*map, bookmark);
    if (!range) return;
    store_.setLoopSelection(range->startSeconds, range->endSeconds);
    store_.applyLoopSelection();
    store_.seek(range->startSeconds);
}

std::vector<SavedLoopRow*> InspectorLoopControls::savedRows() const
{
    std::vector<SavedLoopRow*> rows;
    rows.reserve(shownOrder_.size());
    for (const UUID& id : shownOrder_) rows.push_back(rows_.at(id));
    return rows;
}

SavedLoopRow* InspectorLoopControls::savedRow(const UUID& id) const
{
    const auto found = rows_.find(id);
    return found != rows_.end() ? found->second : nullptr;
}

void InspectorLoopControls::syncSavedRows()
{
    const auto loops = store_.savedLoops();
    std::vector<UUID> order;
    order.reserve(loops.size());
    for (const auto& loop : loops) order.push_back(loop.id());

    // Rows whose loop is gone (removed, or another song's) go once the event
    // loop is back: one of them may be handling the click that removed it.
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (std::find(order.begin(), order.end(), it->first) != order.end()) {
            ++it;
            continue;
        }
        SavedLoopRow* row = it->second;
        row->abandonRename();
        savedColumn_->removeWidget(row);
        row->hide();
        row->deleteLater();
        it = rows_.erase(it);
    }

    QWidget* holder = savedEmptyText_->parentWidget();
    for (const auto& loop : loops) {
        SavedLoopRow*& row = rows_[loop.id()];
        if (!row) {
            // Renames, resets and removals name the loop by its id; the
            // controller refuses one that is not the open song's.
            SavedLoopRow::Actions actions;
            actions.activate = [this, id = loop.id()] {
                for (const auto& saved : store_.savedLoops())
                    if (saved.id() == id) return activate(saved);
            };
            actions.rename = [this, loop](const std::string& name) { store_.renameLoop(loop, name); };
            actions.resetProgress = [this, loop] { store_.resetLoopProgress(loop); };
            actions.remove = [this, loop] { store_.deleteLoop(loop); };
            row = new SavedLoopRow(loop, isActive(loop), std::move(actions), holder);
            ++rowsCreated_;
        } else {
            row->setBookmark(loop);
            row->setActive(isActive(loop));
        }
    }

    if (order != shownOrder_) {
        // The same widgets in the store's order, after the header.
        for (const UUID& id : shownOrder_)
            if (const auto found = rows_.find(id); found != rows_.end()) savedColumn_->removeWidget(found->second);
        const int first = savedColumn_->indexOf(savedEmptyText_) + 1;
        for (std::size_t i = 0; i < order.size(); ++i) {
            SavedLoopRow* row = rows_.at(order[i]);
            savedColumn_->insertWidget(first + int(i), row);
            row->show();
        }
        shownOrder_ = std::move(order);
    }
    savedEmptyText_->setVisible(shownOrder_.empty());
}

} // namespace corvane
