// brelmo [FILE.mid ...]: starts the application, or hands the files to the
// one already running for this user and settings file.

#include <QApplication>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainThreadStallWatch.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/SessionBusProbe.hpp"
#include "CorvaneApp/window/SingleInstance.hpp"
#include "CorvaneApp/window/StartupLog.hpp"
#include "CorvaneApp/window/TerminationSignals.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/StaleTemporaryFiles.hpp"

#ifdef BRELMO_HAS_STAGE_VIEW
#include "CorvaneRendering/SoftwareRendering.hpp"
#endif

int main(int argc, char** argv)
{
    corvane::markLaunch();
    // Asked while Qt starts, answered before Qt reaches the bus.
    corvane::SessionBusProbe sessionBusProbe;
#ifdef BRELMO_HAS_STAGE_VIEW
    // Before any OpenGL context: Mesa's software rasteriser reads its thread count once, when it loads.
    corvane::capSoftwareRasterizerThreads();
#endif
    QApplication::setApplicationName(QStringLiteral("brelmo"));
    QApplication::setDesktopFileName(QStringLiteral("brelmo"));
    QApplication app(argc, argv);
    std::unique_ptr<corvane::MainThreadStallWatch> stallWatch;
    if (corvane::startupLog().isInfoEnabled()) stallWatch = std::make_unique<corvane::MainThreadStallWatch>();

    std::vector<std::filesystem::path> files;
    for (const QString& argument : QApplication::arguments().mid(1))
        if (!argument.startsWith(QLatin1Char('-'))) files.emplace_back(argument.toStdString());

    const auto settingsFile = corvane::DefaultsStore::standardFile();
    std::optional<corvane::SingleInstance> instance(std::in_place,
                                                    corvane::SingleInstance::serverName(settingsFile));
    if (instance->handOffOrListen(files)) return 0;
    // What writes killed midway left of the settings is cleared only by the
    // one instance for them; without its socket another may be running. On a
    // worker: removing ten such copies of a 30 MB file took 220 ms, and the
    // writer's lock keeps this instance's own writes safe from it.
    if (instance->isListening())
        QThreadPool::globalInstance()->start(
            [settingsFile] { corvane::StaleTemporaryFiles::removeBeside(settingsFile); });
    // Qt first reaches the session bus as its event loop starts; a second
    // instance, which only hands its files over, never does.
    sessionBusProbe.avoidIfSilent();

    std::optional<corvane::DefaultsStore> defaults(std::in_place, settingsFile);
    // The window is made and shown on the event loop's first turn, and the
    // services and the screens on turns of their own after its first frame,
    // so that the loop runs from the start and nothing holds it long. Files
    // handed over before then wait with the command line's.
    std::unique_ptr<corvane::CorvaneApplication> application;
    QObject::connect(&*instance, &corvane::SingleInstance::filesReceived, &app,
                     [&](const std::vector<std::filesystem::path>& received) {
                         if (application) application->openFiles(received);
                         else files.insert(files.end(), received.begin(), received.end());
                     });
    QTimer::singleShot(1, &app, [&] {
        application = std::make_unique<corvane::CorvaneApplication>(*defaults);
        if (stallWatch)
            QObject::connect(&application->mainWindow(), &corvane::MainWindow::firstFramePainted, stallWatch.get(),
                             [&stallWatch] { stallWatch->stopAfter(2.0); });
        application->delegate().openFiles(files);
        application->start();
    });
    // Asked to stop from outside: close the windows as the user would, which saves the session.
    corvane::TerminationSignals termination([] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    const int status = app.exec();
    // Stopped while the settings file was still being read: nothing has read
    // or changed a setting, so nothing is left to save, and the reading (and
    // the services' worker waiting for it) would hold the exit for seconds
    // with a large file. Only this instance's socket file is cleared away.
    if (!defaults->isLoaded()) {
        instance.reset();
        std::_Exit(status);
    }
    // The windows and services go before the settings they write to, and the
    // settings' last write ends before the socket goes.
    application.reset();
    defaults.reset();
    instance.reset();
    // All of ours is saved and closed. The libraries' own teardown is left
    // out: a worker still asking the driver whether it draws in software
    // (a stop early in the start) would be waited for by it, and Mesa's
    // compiler, torn down beneath that worker, has spun for good there.
    std::fflush(nullptr);
    std::_Exit(status);
}
