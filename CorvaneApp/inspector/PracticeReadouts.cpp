#include "CorvaneApp/inspector/PracticeReadouts.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

namespace {

constexpr int metricSpacing = 9;
constexpr int breakdownSpacing = 7;

QLabel* readoutLabel(const QFont& font, const QColor& color, QWidget* parent)
{
    auto label = new QLabel(parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

void setTextIfChanged(QLabel* label, const QString& text)
{
    if (label->text() != text) label->setText(text);
}

QVBoxLayout* metricColumn(QWidget* content, int spacing)
{
    auto column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

// The dot before a breakdown row's label.
class KindDot : public QWidget {
public:
    KindDot(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) { setFixedSize(7, 7); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(QRectF(rect()));
    }

private:
    QColor color_;
};

} // namespace

QWidget* paddedTop(QWidget* child, int top)
{
    auto holder = new QWidget;
    auto stack = new QVBoxLayout(holder);
    stack->setContentsMargins(0, top, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(child);
    return holder;
}

PracticeMetricRow::PracticeMetricRow(const QString& title, QWidget* parent)
    : QWidget(parent), title_(new StudioFieldLabel(title, this)),
      value_(readoutLabel(studioReadoutLarge(), StudioAppearance::primaryText(), this))
{
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(title_, 0, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(value_, 0, Qt::AlignVCenter);
}

QString PracticeMetricRow::value() const { return value_->text(); }
void PracticeMetricRow::setValue(const QString& value) { setTextIfChanged(value_, value); }

PracticeProportionBar::PracticeProportionBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(6);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PracticeProportionBar::setBreakdown(const PracticeBreakdown& breakdown)
{
    if (breakdown == breakdown_) return;
    breakdown_ = breakdown;
    update();
}

std::array<QRectF, 4> PracticeProportionBar::segmentRects() const
{
    const double w = width();
    const auto shares = practiceBreakdownShares(breakdown_);
    std::array<QRectF, 4> rects;
    double x = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const double segment = w * shares[i];
        rects[i] = QRectF(x, 0, segment, height());
        x += segment;
    }
    return rects;
}

void PracticeProportionBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath capsule;
    const QRectF box = rect();
    capsule.addRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.setClipPath(capsule);
    const auto rects = segmentRects();
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (rects[i].width() > 0) painter.fillRect(rects[i], practiceFeedbackColor(breakdown_[i].kind));
}

PracticeBreakdownRow::PracticeBreakdownRow(PracticeFeedbackKind kind, QWidget* parent)
    : QWidget(parent), kind_(kind), label_(new StudioFieldLabel(practiceFeedbackLabel(kind), this)),
      percent_(readoutLabel(studioReadout(), StudioAppearance::tertiaryText(), this)),
      count_(readoutLabel(studioReadoutLarge(), StudioAppearance::primaryText(), this))
{
    percent_->setFixedWidth(34);
    percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    count_->setFixedWidth(52);
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(9);
    row->addWidget(new KindDot(practiceFeedbackColor(kind), this), 0, Qt::AlignVCenter);
    row->addWidget(label_, 0, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->addWidget(percent_, 0, Qt::AlignVCenter);
    row->addWidget(count_, 0, Qt::AlignVCenter);
    setAccessibleName(practiceFeedbackLabel(kind));
}

void PracticeBreakdownRow::setCount(std::int64_t count, double share)
{
    const QLocale system = QLocale::system();
    setTextIfChanged(percent_, localePercent(share, system));
    setTextIfChanged(count_, localeCount(count, system));
    // Read as one element: "No tempo, 50%, 1".
    setAccessibleDescription(percent_->text() + QStringLiteral(", ") + count_->text());
}

QString PracticeBreakdownRow::label() const { return label_->title(); }
QString PracticeBreakdownRow::percentText() const { return percent_->text(); }
QString PracticeBreakdownRow::countText() const { return count_->text(); }

SessionReadoutGroup::SessionReadoutGroup(PracticeSessionStore& store, QWidget* parent)
    : InspectorDisclosureGroup(QStringLiteral("Sessão"), new QWidget, parent), store_(store),
      activeTime_(new PracticeMetricRow(QStringLiteral("Tempo ativo"))),
      playedNotes_(new PracticeMetricRow(QStringLiteral("Notas tocadas"))), bar_(new PracticeProportionBar),
      breakdownColumn_(new QWidget)
{
    barHolder_ = paddedTop(bar_, 2);
    // The bar is a picture of the rows below it.
    bar_->setAccessibleName(QString());
    auto rows = metricColumn(breakdownColumn_, breakdownSpacing);
    const std::array kinds{PracticeFeedbackKind::correct, PracticeFeedbackKind::early, PracticeFeedbackKind::late,
                           PracticeFeedbackKind::incorrect};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        rows_[i] = new PracticeBreakdownRow(kinds[i], breakdownColumn_);
        rows->addWidget(rows_[i]);
    }

    auto reset = new QToolButton;
    reset->setText(QStringLiteral("Zerar sessão"));
    reset->setIcon(studioSymbolIcon(QStringLiteral("arrow.counterclockwise"), 12, StudioAppearance::secondaryText()));
    reset->setIconSize(QSize(12, 12));
    reset->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    reset->setAutoRaise(true);
    reset->setFont(studioCaption());
    reset->setToolTip(QStringLiteral("Zera o contador desta música, sem apagar as outras"));
    QPalette palette = reset->palette();
    palette.setColor(QPalette::ButtonText, StudioAppearance::secondaryText());
    reset->setPalette(palette);
    reset_ = reset;
    auto resetRow = new QWidget;
    auto resetLine = new QHBoxLayout(resetRow);
    resetLine->setContentsMargins(0, 0, 0, 0);
    resetLine->addWidget(reset_);
    resetLine->addStretch(1);
    resetHolder_ = paddedTop(resetRow, 2);
    connect(reset_, &QAbstractButton::clicked, this, [this] { store_.resetSessionMetrics(); });

    auto column = metricColumn(&content(), metricSpacing);
    column->addWidget(activeTime_);
    column->addWidget(playedNotes_);
    column->addWidget(barHolder_);
    column->addWidget(breakdownColumn_);
    column->addWidget(resetHolder_);

    connect(&store_, &PracticeSessionStore::progressRevisionChanged, this, &SessionReadoutGroup::refresh);
    refresh();
}

void SessionReadoutGroup::refresh()
{
    const PracticeMetrics metrics = store_.sessionMetrics();
    if (shownOnce_ && metrics == shown_) return;
    shownOnce_ = true;
    shown_ = metrics;

    labelRow().setDetail(localeCount(metrics.playedNoteCount, QLocale::system()) + QStringLiteral(" notas"));
    activeTime_->setValue(durationLabel(metrics.activeDurationSeconds));
    playedNotes_->setValue(localeCount(metrics.playedNoteCount, studioLocale()));

    const bool played = metrics.playedNoteCount >= 1;
    barHolder_->setVisible(played);
    breakdownColumn_->setVisible(played);
    if (played) {
        const PracticeBreakdown breakdown = practiceBreakdown(metrics);
        const auto shares = practiceBreakdownShares(breakdown);
        bar_->setBreakdown(breakdown);
        for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i]->setCount(breakdown[i].count, shares[i]);
    }
    resetHolder_->setVisible(played || metrics.activeDurationSeconds > 0);
}

MIDIPerformanceGroup::MIDIPerformanceGroup(PracticeSessionStore& store, QWidget* parent)
    : InspectorDisclosureGroup(QStringLiteral("Desempenho MIDI"), new QWidget, parent), store_(store),
      rowsHolder_(new QWidget), median_(new PracticeMetricRow(QStringLiteral("Mediana"))),
      p95_(new PracticeMetricRow(QStringLiteral("p95"))), maximum_(new PracticeMetricRow(QStringLiteral("Máxima")))
{
    auto rows = metricColumn(rowsHolder_, metricSpacing);
    rows->addWidget(median_);
    rows->addWidget(p95_);
    rows->addWidget(maximum_);
    metricColumn(&content(), 0)->addWidget(rowsHolder_);
    connect(&store_, &PracticeSessionStore::midiLatencyStatisticsChanged, this, &MIDIPerformanceGroup::refresh);
    refresh();
}

void MIDIPerformanceGroup::refresh()
{
    const auto& statistics = store_.midiLatencyStatistics();
    rowsHolder_->setVisible(statistics.has_value());
    if (!statistics) {
        shown_.reset();
        labelRow().setDetail(QString());
        return;
    }
    if (shown_ == statistics) return;
    shown_ = statistics;
    labelRow().setDetail(localeCount(statistics->sampleCount, QLocale::system()) + QStringLiteral(" amostras"));
    median_->setValue(millisecondsLabel(statistics->medianMilliseconds));
    p95_->setValue(millisecondsLabel(statistics->p95Milliseconds));
    maximum_->setValue(millisecondsLabel(statistics->maximumMilliseconds));
}

} // namespace corvane
