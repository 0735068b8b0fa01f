#pragma once

#include <QProcess>
#include <QString>

// A session bus of the test's own: a dbus-daemon started for it and stopped
// with it, so that nothing of the machine's desktop is seen.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateSessionBus()
    {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5000)) daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the daemon could not be started.
    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};
