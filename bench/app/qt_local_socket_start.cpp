// Linked into a second build of bench_bare_qt_window (as
// bench_qt_local_socket_window): as its application object is made, the
// start of the hand-off between instances made on Qt's local sockets, as the
// program would make it on Qt Network: a connection tried to a server that is
// not there, then a server listening in its place, in a folder only this
// user may enter.

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>

namespace {

void startHandOff()
{
    static QTemporaryDir folder;
    const QString name = folder.filePath(QStringLiteral("hand-off"));
    QLocalSocket later;
    later.connectToServer(name);
    later.waitForConnected(2000);
    auto* running = new QLocalServer(QCoreApplication::instance());
    running->listen(name);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startHandOff)
