#pragma once

class QScrollArea;
class QVBoxLayout;
class QWidget;

namespace corvane {

// A frameless scroll area over the panel behind it, never showing a bar
// (the wheel and keys still scroll), whose content is a vertical stack with
// no margins or spacing; `column` receives that stack.
QScrollArea* makeStudioScrollColumn(QWidget* parent, QVBoxLayout*& column);

} // namespace corvane
