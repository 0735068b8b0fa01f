#pragma once

#include <QColor>

class QWidget;

namespace corvane {

// The accent colour that travels down the widget tree: a widget sets it for
// itself and everything inside it; a control reads the nearest one set on it
// or an ancestor, else StudioAppearance::amber().
QColor studioAccent(const QWidget* widget);
void setStudioAccent(QWidget* widget, const QColor& accent);

} // namespace corvane
