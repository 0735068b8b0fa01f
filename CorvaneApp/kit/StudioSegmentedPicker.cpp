#include "CorvaneApp/kit/StudioSegmentedPicker.hpp"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/RetroPalette.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"

namespace corvane {

namespace {

constexpr double trackInset = 2;
constexpr double segmentHeight = 20;
constexpr double horizontalPadding = 10;
constexpr double symbolSide = 12;
constexpr double symbolGap = 4;

// A segment reads as a button that is on or off, whatever its class would suggest.
class SegmentInterface : public QAccessibleWidget {
public:
    explicit SegmentInterface(StudioSegmentButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    StudioSegmentButton* segment() const { return static_cast<StudioSegmentButton*>(widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && segment()->accessibleName().isEmpty()) return segment()->text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = segment()->isSelected();
        return state;
    }

    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }

    void doAction(const QString& name) override
    {
        if (name == pressAction()) {
            if (segment()->isEnabled()) segment()->click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

QAccessibleInterface* pickerFactory(const QString&, QObject* object)
{
    if (auto button = qobject_cast<StudioSegmentButton*>(object)) return new SegmentInterface(button);
    if (auto picker = qobject_cast<StudioSegmentedPicker*>(object))
        return new QAccessibleWidget(picker, QAccessible::PageTabList);
    return nullptr;
}

void installPickerAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&pickerFactory);
        return true;
    }();
    (void)installed;
}

} // namespace

StudioSegmentButton::StudioSegmentButton(const StudioSegment& segment, QWidget* parent)
    : QAbstractButton(parent), systemImage_(segment.systemImage)
{
    setFont(studioCallout());
    setText(segment.text);
    // The picker holds the focus and moves the choice with the arrow keys.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StudioSegmentButton::setSelected(bool selected)
{
    if (selected == selected_) return;
    selected_ = selected;
    update();
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QSize StudioSegmentButton::sizeHint() const
{
    double content = text().isEmpty() ? 0 : QFontMetricsF(font()).horizontalAdvance(text());
    if (!systemImage_.isEmpty()) content += symbolSide + (text().isEmpty() ? 0 : symbolGap);
    return QSize(int(std::ceil(content + 2 * horizontalPadding)), int(segmentHeight));
}

void StudioSegmentButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    const QRectF box = rect();
    const QColor accent = studioAccent(this);
    if (selected_ || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(withOpacity(accent, selected_ ? 0.22 : 0.1));
        painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    }
    const QColor foreground = selected_ ? accent : StudioAppearance::secondaryText();
    const QFontMetricsF metrics(font());
    const double textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text());
    const double symbolWidth = systemImage_.isEmpty() ? 0 : symbolSide + (text().isEmpty() ? 0 : symbolGap);
    const double room = std::max(0.0, box.width() - 2 * horizontalPadding);
    double x = box.center().x() - std::min(room, textWidth + symbolWidth) / 2;
    if (!systemImage_.isEmpty()) {
        paintStudioSymbol(painter, systemImage_,
                          QRectF(x, box.center().y() - symbolSide / 2, symbolSide, symbolSide), foreground);
        x += symbolWidth;
    }
    if (!text().isEmpty()) {
        painter.setFont(font());
        painter.setPen(foreground);
        const double textRoom = std::max(0.0, box.right() - horizontalPadding - x);
        const QString shown = QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(std::ceil(textRoom)));
        painter.drawText(QRectF(x, box.top(), textRoom, box.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
}

StudioSegmentedPicker::StudioSegmentedPicker(std::vector<StudioSegment> segments, int currentIndex,
                                             QWidget* parent)
    : QWidget(parent)
{
    installPickerAccessibility();
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(int(trackInset), int(trackInset), int(trackInset), int(trackInset));
    row->setSpacing(0);
    for (const auto& segment : segments) {
        auto button = new StudioSegmentButton(segment);
        const int index = int(buttons_.size());
        connect(button, &QAbstractButton::clicked, this, [this, index] { choose(index); });
        buttons_.push_back(button);
        // Segments share the width evenly, as a segmented control's do.
        row->addWidget(button, 1);
    }
    // Every segment as wide as the widest.
    int widest = 0;
    for (auto button : buttons_) widest = std::max(widest, button->sizeHint().width());
    for (auto button : buttons_) button->setMinimumWidth(widest);
    if (!buttons_.empty()) setCurrentIndex(std::clamp(currentIndex, 0, count() - 1));
}

StudioSegmentButton* StudioSegmentedPicker::segmentButton(int index) const
{
    return index >= 0 && index < count() ? buttons_[size_t(index)] : nullptr;
}

void StudioSegmentedPicker::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == current_) return;
    current_ = index;
    for (int i = 0; i < count(); ++i) buttons_[size_t(i)]->setSelected(i == index);
}

void StudioSegmentedPicker::choose(int index)
{
    if (index < 0 || index >= count() || index == current_) return;
    setCurrentIndex(index);
    emit currentIndexEdited(index);
}

void StudioSegmentedPicker::keyPressEvent(QKeyEvent* event)
{
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    switch (event->key()) {
    case Qt::Key_Left: choose(current_ + (rightToLeft ? 1 : -1)); break;
    case Qt::Key_Right: choose(current_ + (rightToLeft ? -1 : 1)); break;
    default: QWidget::keyPressEvent(event);
    }
}

void StudioSegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = track.height() / 2;
    painter.setPen(QPen(hasFocus() ? withOpacity(studioAccent(this), 0.6) : StudioAppearance::controlStroke(), 1));
    painter.setBrush(StudioAppearance::controlFill());
    painter.drawRoundedRect(track, radius, radius);
}

} // namespace corvane
