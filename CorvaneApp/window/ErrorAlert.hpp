#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QMessageBox;
class QWidget;

namespace corvane {

class MusicLibraryStore;
class PracticeSessionStore;

// The main window's one alert for the controller's file and playback
// messages and the library's messages. It shows one message at a time, the
// controller's first; its OK clears only the message it showed, so a library
// message that waited behind a file message is shown next instead of lost.
class ErrorAlert : public QObject {
    Q_OBJECT
public:
    enum class Source { openFile, library };
    struct Message {
        Source source = Source::openFile;
        QString title;
        QString text;
        bool operator==(const Message&) const = default;
    };

    // The message to show for the two stores' texts, if any.
    static std::optional<Message> next(const std::optional<std::string>& importError,
                                       const std::optional<std::string>& libraryError);

    ErrorAlert(QWidget* window, PracticeSessionStore& store, MusicLibraryStore& library);

    // The alert on screen, or null while none is.
    QMessageBox* visibleBox() const;
    const std::optional<Message>& shown() const { return shown_; }

private:
    void refresh();
    void dismiss();

    QWidget* window_;
    PracticeSessionStore& store_;
    MusicLibraryStore& library_;
    QMessageBox* box_ = nullptr;
    std::optional<Message> shown_;
};

} // namespace corvane
