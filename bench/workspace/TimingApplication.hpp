#pragma once

#include <QApplication>
#include <QWidget>

#include "session/SessionBench.hpp"

namespace workspacebench {

// Times the outermost events whose receiver is the watched widget or inside it.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;

    QWidget* watched = nullptr;
    double microseconds = 0;

    bool notify(QObject* receiver, QEvent* event) override
    {
        auto widget = qobject_cast<QWidget*>(receiver);
        const bool inside = watched && widget && (widget == watched || watched->isAncestorOf(widget));
        if (!inside || depth_ > 0) return QApplication::notify(receiver, event);
        ++depth_;
        const auto start = sessionbench::Clock::now();
        const bool result = QApplication::notify(receiver, event);
        microseconds += sessionbench::microsecondsSince(start);
        --depth_;
        return result;
    }

private:
    int depth_ = 0;
};

} // namespace workspacebench
