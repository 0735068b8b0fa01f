#pragma once

#include <QObject>

#include <filesystem>
#include <vector>

namespace corvane {

// The application-wide behaviour: the dark look on every window (at start,
// whenever the application becomes active and whenever another window takes
// the focus), quitting when the last window closes, and the files the
// operating system asks to open, which go to the open-file queue.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

    // Files from the command line or from a second instance.
    void openFiles(const std::vector<std::filesystem::path>& files);

    // Puts the dark look on the application, one event-loop turn later.
    void applyStudioAppearance();

private:
    void applyNow();
};

} // namespace corvane
