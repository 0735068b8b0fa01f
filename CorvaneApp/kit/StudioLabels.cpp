#include "CorvaneApp/kit/StudioLabels.hpp"

#include <QLabel>
#include <QPainter>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

QLabel* studioTextLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

StudioCapsLabel::StudioCapsLabel(const QString& title, double tracking, const QColor& color, QWidget* parent)
    : QWidget(parent), font_(studioLegend()), color_(color)
{
    font_.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setTitle(title);
}

void StudioCapsLabel::setTitle(const QString& title)
{
    if (title == title_) return;
    title_ = title;
    setAccessibleName(title);
    updateToolTip();
    updateGeometry();
    update();
}

bool StudioCapsLabel::isCut() const
{
    return QFontMetrics(font_).elidedText(text(), Qt::ElideRight, width()) != text();
}

void StudioCapsLabel::updateToolTip() { setToolTip(isCut() ? title_ : QString()); }

void StudioCapsLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateToolTip();
}

QString StudioCapsLabel::text() const { return studioLocale().toUpper(title_); }

QSize StudioCapsLabel::sizeHint() const
{
    const QFontMetricsF metrics(font_);
    return QSize(int(std::ceil(metrics.horizontalAdvance(text()))), int(std::ceil(metrics.height())));
}

QSize StudioCapsLabel::minimumSizeHint() const
{
    const QFontMetricsF metrics(font_);
    // Room for the ellipsis at the least.
    return QSize(int(std::ceil(metrics.horizontalAdvance(QStringLiteral("…")))), int(std::ceil(metrics.height())));
}

void StudioCapsLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font_);
    painter.setPen(color_);
    const QFontMetrics metrics(font_);
    const QString shown = metrics.elidedText(text(), Qt::ElideRight, width());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

StudioFieldLabel::StudioFieldLabel(const QString& title, QWidget* parent)
    : StudioCapsLabel(title, 1.0, StudioAppearance::secondaryText(), parent)
{
}

StudioSectionLabel::StudioSectionLabel(const QString& title, QWidget* parent)
    : StudioCapsLabel(title, 1.4, StudioAppearance::tertiaryText(), parent)
{
}

} // namespace corvane
