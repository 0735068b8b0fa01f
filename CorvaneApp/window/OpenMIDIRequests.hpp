#pragma once

#include <QObject>

#include <filesystem>
#include <optional>
#include <vector>

namespace corvane {

// The mailbox between the files the operating system asks the application to
// open (command line, a second instance) and the main window, which may not
// exist yet when they arrive. Holds at most the last MIDI file received until
// the main window takes it. Main thread only.
class OpenMIDIRequests : public QObject {
    Q_OBJECT
public:
    static OpenMIDIRequests& shared();

    OpenMIDIRequests() = default;

    // Keeps the last file of `files` whose extension is .mid or .midi (any
    // case), replacing whatever waited; a list without one changes nothing.
    void enqueue(const std::vector<std::filesystem::path>& files);

    const std::vector<std::filesystem::path>& pending() const { return pending_; }
    // Signals only when the list differs from the one held.
    void setPending(std::vector<std::filesystem::path> files);

    // The waiting file, if any; the mailbox is empty afterwards.
    std::optional<std::filesystem::path> takePending();

    static bool isMIDIFile(const std::filesystem::path& file);

signals:
    void pendingChanged();

private:
    std::vector<std::filesystem::path> pending_;
};

} // namespace corvane
