#pragma once

class QWidget;

namespace corvane {

// Whether a stage view is seen: shown, in a window that is neither minimised
// nor unmapped (no longer exposed). The stage draws no frame otherwise.
bool isStageOnScreen(const QWidget& view);

} // namespace corvane
