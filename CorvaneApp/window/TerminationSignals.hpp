#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace corvane {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, Ctrl+C, a closed terminal)
// into a call on the main thread, so that the application closes its windows
// and saves the session instead of dying mid-practice. One per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onTermination, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> onTermination_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace corvane
