#include "CorvaneApp/kit/StudioMenuRow.hpp"

#include <QAbstractButton>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/StudioChipButton.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLabels.hpp"

namespace corvane {

// The menu's label: the value on one line, trailing, cut short at the tail,
// boxed in the compact form.
class StudioMenuValue : public QAbstractButton {
public:
    StudioMenuValue(const QColor& color, bool boxed, double maxWidth)
        : color_(color), boxed_(boxed), maxWidth_(std::max(0.0, maxWidth)), padding_(boxed ? QSizeF(10, 6) : QSizeF(0, 2))
    {
        setFont(studioCallout());
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }

    // The width the text may take now: never beyond the maximum, less when
    // the row is too narrow.
    double textRoom() const { return std::min(maxWidth_, std::max(0.0, width() - 2 * padding_.width())); }

    QString shown() const
    {
        return QFontMetrics(font()).elidedText(text(), Qt::ElideRight, int(std::floor(textRoom())));
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        const double textWidth = std::min(maxWidth_, metrics.horizontalAdvance(text()));
        return QSize(int(std::ceil(textWidth + 2 * padding_.width())),
                     int(std::ceil(metrics.height() + 2 * padding_.height())));
    }

    QSize minimumSizeHint() const override
    {
        const QFontMetricsF metrics(font());
        const double least = std::min(maxWidth_, metrics.horizontalAdvance(QStringLiteral("…")));
        return QSize(int(std::ceil(least + 2 * padding_.width())), sizeHint().height());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = rect();
        if (boxed_) {
            painter.setPen(QPen(StudioAppearance::controlStroke(), 1));
            painter.setBrush(StudioAppearance::controlFill());
            painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
        }
        const QRectF inner = box.adjusted(padding_.width(), padding_.height(), -padding_.width(), -padding_.height());
        QRectF textBox = inner;
        textBox.setLeft(inner.right() - textRoom());
        painter.setFont(font());
        painter.setPen(boxed_ ? StudioAppearance::primaryText() : color_);
        painter.drawText(textBox, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shown());
        if (hasFocus()) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(StudioAppearance::secondaryText(), 1));
            painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
        }
    }

private:
    QColor color_;
    bool boxed_;
    double maxWidth_;
    QSizeF padding_;
};

StudioMenuRow::StudioMenuRow(const QString& title, const QString& value, const QColor& accent, bool compact,
                             double maxValueWidth, bool activeInstrumentHasUserInterface, QWidget* parent)
    : QWidget(parent), compact_(compact), maxValueWidth_(std::max(0.0, maxValueWidth)),
      active_(activeInstrumentHasUserInterface), title_(new StudioFieldLabel(title)),
      editor_(new StudioChipButton(StudioChipButton::Symbol{QStringLiteral("macwindow")}, 19)),
      editorFade_(new QPropertyAnimation(this)),
      value_(new StudioMenuValue(accent, compact, maxValueWidth_)), menu_(new QMenu(this))
{
    setFont(studioCallout());
    auto row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    title_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); // never squeezed
    row->addWidget(title_, 0, Qt::AlignVCenter);

    editor_->setHelp(QStringLiteral("Abrir interface do instrumento"));
    editor_->setOpacity(active_ ? 1 : 0);
    editor_->setVisible(active_);
    row->addWidget(editor_, 0, Qt::AlignVCenter);
    connect(editor_, &QAbstractButton::clicked, this, [this] {
        // A chip on its way out no longer opens anything.
        if (active_ && openEditor_) openEditor_();
    });

    editorFade_->setTargetObject(editor_);
    editorFade_->setPropertyName("opacity");
    editorFade_->setDuration(180);
    QEasingCurve easeInOut(QEasingCurve::BezierSpline);
    easeInOut.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    editorFade_->setEasingCurve(easeInOut);
    connect(editorFade_, &QAbstractAnimation::finished, this, [this] {
        if (!active_) editor_->hide();
    });

    row->addStretch(1);
    value_->setText(value);
    value_->setAccessibleDescription(title);
    row->addWidget(value_, 0, Qt::AlignVCenter);
    // Menus open on the press, as they do everywhere; the value does not
    // stay down under an open menu.
    connect(value_, &QAbstractButton::pressed, this, &StudioMenuRow::openMenu);
}

QString StudioMenuRow::value() const { return value_->text(); }

void StudioMenuRow::setValue(const QString& value)
{
    if (value == value_->text()) return;
    value_->setText(value);
    value_->update();
}

QString StudioMenuRow::shownValue() const { return value_->shown(); }

QAbstractButton* StudioMenuRow::valueButton() const { return value_; }

void StudioMenuRow::setMenu(QMenu* menu)
{
    if (!menu || menu == menu_) return;
    if (!menu->parent()) menu->setParent(this, menu->windowFlags());
    menu_ = menu;
}

void StudioMenuRow::openMenu()
{
    value_->setDown(false);
    emit menuRequested();
    if (menu_->isEmpty()) return;
    menu_->popup(value_->mapToGlobal(QPoint(0, value_->height())));
}

void StudioMenuRow::setActiveInstrumentHasUserInterface(bool active)
{
    if (active == active_) return;
    active_ = active;
    editorFade_->stop();
    if (active) {
        // Fades from wherever a fade-out left it.
        if (editor_->isHidden()) editor_->setOpacity(0);
        editor_->show();
    }
    editorFade_->setStartValue(editor_->opacity());
    editorFade_->setEndValue(active ? 1.0 : 0.0);
    editorFade_->start();
}

double StudioMenuRow::editorOpacity() const { return editor_->opacity(); }

} // namespace corvane
