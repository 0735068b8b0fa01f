// bench_qt_local_socket_window: bench_bare_qt_window with the start of the
// hand-off between instances made on Qt's local sockets, as the program
// would make it on Qt Network: a connection tried to a server that is not
// there, then a server listening in its place, in a folder only this user
// may enter. Prints the steady clock at its event loop's first turn, in
// milliseconds, and quits.

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("hand-off"));
    QLocalSocket later;
    later.connectToServer(name);
    later.waitForConnected(2000);
    QLocalServer running;
    running.listen(name);

    QWidget window;
    window.resize(640, 400);
    window.show();
    QTimer::singleShot(0, &app, [&app] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%.3f\n", std::chrono::duration<double, std::milli>(now).count());
        app.quit();
    });
    return app.exec();
}
