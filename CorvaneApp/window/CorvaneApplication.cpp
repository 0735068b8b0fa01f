#include "CorvaneApp/window/CorvaneApplication.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QVBoxLayout>

#include "CorvaneApp/kit/StudioFonts.hpp"
#include "CorvaneApp/kit/StudioLocale.hpp"
#include "CorvaneApp/kit/StudioResourceBundle.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneApp/window/StartupLog.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeTrackStore.hpp"

namespace corvane {

namespace {

// What every window's content gets: the body font and the pt_BR locale.
void dressScene(QWidget* window)
{
    window->setFont(studioBody());
    window->setLocale(studioLocale());
}

// An empty window of the given name; its content comes from the view built for it.
QWidget* sceneWindow(const char* name, const QString& title, QSize size)
{
    auto window = new QWidget;
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(title);
    window->resize(size);
    auto layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    dressScene(window);
    return window;
}

} // namespace

CorvaneApplication::CorvaneApplication(DefaultsStore& defaults, QObject* parent) : QObject(parent), defaults_(defaults)
{
    // Qt's own dialogs (the file dialog's buttons and folders) speak pt_BR too.
    if (qtTranslator_.load(studioLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator_);
    QApplication::setFont(studioBody());

    mainWindow_ = std::make_unique<MainWindow>();
    dressScene(mainWindow_.get());
    connect(mainWindow_.get(), &MainWindow::firstFramePainted, this, [this] {
        logStartupMilestone("first frame painted");
        makeServices();
    });

    auto& scenes = SceneWindows::shared();
    scenes.declare(QStringLiteral("main"), [this] { return mainWindow_.get(); });
    scenes.declare(QStringLiteral("settings"), [this] { return makeSettingsWindow(); });
    scenes.declare(QStringLiteral("audio-unit-editor"), [this] { return makeInstrumentEditorWindow(); });
}

CorvaneApplication::~CorvaneApplication()
{
    for (const char* id : {"main", "settings", "audio-unit-editor"}) SceneWindows::shared().forget(QString::fromLatin1(id));
    // The windows look at the controller; the controller at the stores and devices.
    instrumentEditorWindow_.reset();
    settingsWindow_.reset();
    mainWindow_.reset();
    practiceStore_.reset();
}

void CorvaneApplication::start()
{
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void CorvaneApplication::makeServices()
{
    if (practiceStore_) return;
    try {
        midiDeviceMonitor_ = std::make_unique<MIDIDeviceMonitor>(defaults_);
    } catch (const std::exception&) {
        // Without MIDI the application still plays; the settings say so.
    }
    logStartupMilestone("MIDI device monitor made");
    try {
        audioEngine_ = std::make_unique<PianoAudioEngine>(defaults_);
    } catch (const std::exception&) {
        // The controller tries once more and words the failure.
    }
    logStartupMilestone("audio engine made");
    progressStore_ = std::make_unique<PracticeProgressStore>(defaults_, historyLimit);
    loopStore_ = std::make_unique<PracticeLoopStore>(defaults_, savedLoopsPerSong);
    trackStore_ = std::make_unique<PracticeTrackStore>(defaults_);
    PracticeSessionEnvironment environment;
    environment.demoBundles = StudioResourceBundle::candidates();
    practiceStore_ = std::make_unique<PracticeSessionStore>(*progressStore_, *loopStore_, *trackStore_,
                                                            midiDeviceMonitor_.get(), audioEngine_.get(), defaults_,
                                                            PracticeSessionStore::CountInSleep{},
                                                            PracticeSessionStore::CountInClick{}, std::move(environment));
    logStartupMilestone("practice session controller made");

    mainWindow_->attach(*practiceStore_);
    dressScene(mainWindow_->rootView());
    // The main window's one launch task; acts at most once per engine.
    if (auto engine = practiceStore_->audioEngine()) engine->restorePreferredInstrument();
    emit servicesReady();
}

void CorvaneApplication::openFiles(const std::vector<std::filesystem::path>& files)
{
    delegate_.openFiles(files);
    SceneWindows::shared().open(QStringLiteral("main"));
}

QWidget* CorvaneApplication::makeSettingsWindow()
{
    settingsWindow_.reset(sceneWindow("settings", QStringLiteral("Ajustes"), QSize(620, 460)));
    return settingsWindow_.get();
}

QWidget* CorvaneApplication::makeInstrumentEditorWindow()
{
    instrumentEditorWindow_.reset(
        sceneWindow("audio-unit-editor", QStringLiteral("Instrumento virtual"), QSize(760, 560)));
    return instrumentEditorWindow_.get();
}

} // namespace corvane
