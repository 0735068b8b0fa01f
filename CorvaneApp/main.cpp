// brelmo [FILE.mid ...]: starts the application, or hands the files to the
// one already running for this user and settings file.

#include <QApplication>

#include <filesystem>
#include <memory>
#include <vector>

#include "CorvaneApp/window/CorvaneApplication.hpp"
#include "CorvaneApp/window/MainThreadStallWatch.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/SingleInstance.hpp"
#include "CorvaneApp/window/StartupLog.hpp"
#include "CorvaneApp/window/TerminationSignals.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

#ifdef BRELMO_HAS_STAGE_VIEW
#include "CorvaneRendering/SoftwareRendering.hpp"
#endif

int main(int argc, char** argv)
{
    corvane::markLaunch();
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
    corvane::SingleInstance instance(corvane::SingleInstance::serverName(settingsFile));
    if (instance.handOffOrListen(files)) return 0;

    corvane::DefaultsStore defaults(settingsFile);
    corvane::CorvaneApplication application(defaults);
    QObject::connect(&instance, &corvane::SingleInstance::filesReceived, &application,
                     &corvane::CorvaneApplication::openFiles);
    if (stallWatch)
        QObject::connect(&application.mainWindow(), &corvane::MainWindow::firstFramePainted, stallWatch.get(),
                         [&stallWatch] { stallWatch->stopAfter(2.0); });
    application.delegate().openFiles(files);
    // Asked to stop from outside: close the windows as the user would, which saves the session.
    corvane::TerminationSignals termination([] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    application.start();
    return app.exec();
}
