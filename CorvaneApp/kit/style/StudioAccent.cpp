#include "CorvaneApp/kit/style/StudioAccent.hpp"

#include <QVariant>
#include <QWidget>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"

namespace corvane {

namespace {
constexpr const char* accentProperty = "studioAccent";
}

QColor studioAccent(const QWidget* widget)
{
    for (auto w = widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(accentProperty);
        if (value.isValid()) return value.value<QColor>();
    }
    return StudioAppearance::amber();
}

void setStudioAccent(QWidget* widget, const QColor& accent)
{
    const QVariant current = widget->property(accentProperty);
    if (current.isValid() && current.value<QColor>() == accent) return;
    widget->setProperty(accentProperty, accent);
    // Controls below repaint with the new colour.
    widget->update();
    for (auto child : widget->findChildren<QWidget*>()) child->update();
}

} // namespace corvane
