#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <filesystem>

class QMessageBox;
class QWidget;

namespace corvane {

class DefaultsStore;

// The main window's alerts about the settings file. A file that cannot be
// written is said once a launch: the settings go on in memory and every
// change tries the file again, so repeating it would only interrupt. A file
// that could not be read at start and was moved aside is said once, naming
// the copy kept. One alert shows at a time; the other waits behind it.
class SettingsFileAlert : public QObject {
    Q_OBJECT
public:
    struct Message {
        QString title;
        QString text;
        bool operator==(const Message&) const = default;
    };
    static Message writeFailedMessage(const std::filesystem::path& file);
    static Message setAsideMessage(const std::filesystem::path& copy);

    SettingsFileAlert(QWidget* window, DefaultsStore& defaults);

    // Says that the file found at start was set aside, if it was. Waits for
    // the file to have been read: call it once the window is up.
    void reportSetAside();

    // The alert on screen, or null while none is.
    QMessageBox* visibleBox() const;

private:
    void writeFailed();
    void showNext();

    QWidget* window_;
    DefaultsStore& defaults_;
    QMessageBox* box_ = nullptr;
    std::deque<Message> waiting_;
    bool writeFailureSaid_ = false;
    bool setAsideSaid_ = false;
};

} // namespace corvane
