#pragma once

#include <QString>

class QFileDialog;
class QMimeType;
class QWidget;

namespace corvane {

// Qt's own file dialog, speaking pt_BR whatever the system's locale: the
// translator gives its buttons and headers, but its list writes a folder's
// type, file types, sizes and dates in the system's locale (or not at all).
// Its list is shown through a model that writes those columns in the kit's
// locale; the dialog's own locale is the kit's. The application's default
// locale is left as it is.
QFileDialog* makeStudioFileDialog(QWidget* parent);

// The type's description in Brazilian Portuguese from the shared MIME
// database ("Áudio MIDI"), or its usual comment when it has none.
QString portugueseMimeComment(const QMimeType& type);

} // namespace corvane
