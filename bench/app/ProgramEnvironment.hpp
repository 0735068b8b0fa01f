#pragma once

// The environment the benchmarks start the real program in: X through xcb,
// a session bus of the benchmark's own and a settings folder of the run's.

#include <QProcessEnvironment>
#include <QString>

inline QProcessEnvironment programEnvironment(const QString& sessionBus, const QString& configFolder)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    return environment;
}
