#include "CorvaneApp/window/CorvaneApplication.hpp"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include "CorvaneApp/kit/RetroPanel.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioImageCache.hpp"
#include "CorvaneApp/kit/style/StudioLocale.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/settings/AudioUnitEditorView.hpp"
#include "CorvaneApp/settings/SettingsView.hpp"
#include "CorvaneApp/window/DesktopAccessibilitySource.hpp"
#include "CorvaneApp/window/MainWindow.hpp"
#include "CorvaneApp/window/RootView.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneApp/window/SettingsFileAlert.hpp"
#include "CorvaneApp/window/StartupLog.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneAudio/deferred/DeferredLibraries.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/PracticeLoopStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"
#include "CorvaneLibrary/PracticeRecordsLoader.hpp"
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
    // Asked now, answered while the window comes up; nothing waits for it.
    desktopAccessibility_ = std::make_unique<DesktopAccessibilitySource>();

    mainWindow_ = std::make_unique<MainWindow>();
    dressScene(mainWindow_.get());
    settingsFileAlert_ = new SettingsFileAlert(mainWindow_.get(), defaults_);
    connect(mainWindow_.get(), &MainWindow::firstFramePainted, this, [this] {
        logStartupMilestone("first frame painted");
        PracticeWorkspaceView::probeStageSupport();
        QThreadPool::globalInstance()->start([] {
            prepareStudioSymbols();
            StudioImageCache::prepare();
            retroPanelTextureImage();
        });
        prepareServices();
    });
    // Once the services have read the settings, so that asking waits for nothing.
    connect(this, &CorvaneApplication::servicesReady, this, [this] { settingsFileAlert_->reportSetAside(); });

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
    // Changes made before the records arrived are merged with them and written now.
    if (recordsLoader_) recordsLoader_->finishNow();
}

void CorvaneApplication::start()
{
    mainWindow_->show();
    // Showing posts each widget a request to paint later. Taken now, they
    // join the first frame; left for later, they often come after it and
    // paint the whole window a second time, which then waits for the X
    // server to have taken the first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

// The sound system is found and its stream opened on a worker, and the MIDI
// client made there: that holds its thread for a hundred milliseconds and
// more, and the window stays live.
// The worker also waits for the settings file, read on a thread of its own,
// so that the services, which read it, never wait for it on the main thread.
void CorvaneApplication::prepareServices()
{
    if (isPreparingServices_ || practiceStore_) return;
    isPreparingServices_ = true;
    QPointer<CorvaneApplication> guard(this);
    QThreadPool::globalInstance()->start([guard, &defaults = defaults_] {
        loadDeferredLibraries();
        const auto storedOutput = defaults.stringValue(PianoAudioEngine::selectedOutputPreferenceKey);
        auto prepared = std::make_shared<std::optional<PreparedAudioOutput>>();
        try {
            prepared->emplace(PreparedAudioOutput::prepare(std::nullopt, storedOutput, true));
        } catch (const std::exception&) {
            // No output device: the engine is left to the controller, which words it.
        }
        auto midi = std::make_shared<std::optional<PreparedMIDIPortSystem>>();
        try {
            midi->emplace(PreparedMIDIPortSystem::prepare(std::nullopt));
        } catch (const std::exception&) {
            // Without MIDI the application still plays; the settings say so.
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, prepared, midi] {
                if (!guard) return;
                guard->preparedOutput_ = std::move(*prepared);
                guard->preparedMIDI_ = std::move(*midi);
                guard->makeServices();
            },
            Qt::QueuedConnection);
    });
}

void CorvaneApplication::makeServices()
{
    if (practiceStore_) return;
    if (preparedMIDI_) {
        try {
            midiDeviceMonitor_ = std::make_unique<MIDIDeviceMonitor>(defaults_, std::move(*preparedMIDI_));
        } catch (const std::exception&) {
            // Without MIDI the application still plays; the settings say so.
        }
    }
    preparedMIDI_.reset();
    logStartupMilestone("MIDI device monitor made");
    if (preparedOutput_) {
        try {
            audioEngine_ = std::make_unique<PianoAudioEngine>(defaults_, std::move(*preparedOutput_));
        } catch (const std::exception&) {
            // The controller tries once more and words the failure.
        }
    }
    preparedOutput_.reset();
    logStartupMilestone("audio engine made");
    // The stores' records are decoded off the main thread and arrive after the
    // controller is made; what the user does before then is merged with them.
    progressStore_ = std::make_unique<PracticeProgressStore>(defaults_, historyLimit, RecordsArriveLater{});
    loopStore_ = std::make_unique<PracticeLoopStore>(defaults_, savedLoopsPerSong, RecordsArriveLater{});
    trackStore_ = std::make_unique<PracticeTrackStore>(defaults_, RecordsArriveLater{});
    recordsLoader_ = std::make_unique<PracticeRecordsLoader>(defaults_, historyLimit, *progressStore_, *loopStore_,
                                                             *trackStore_);
    PracticeSessionEnvironment environment;
    environment.demoBundles = StudioResourceBundle::candidates();
    practiceStore_ = std::make_unique<PracticeSessionStore>(*progressStore_, *loopStore_, *trackStore_,
                                                            midiDeviceMonitor_.get(), audioEngine_.get(), defaults_,
                                                            PracticeSessionStore::CountInSleep{},
                                                            PracticeSessionStore::CountInClick{}, std::move(environment));
    logStartupMilestone("practice session controller made");
    connect(recordsLoader_.get(), &PracticeRecordsLoader::recordsArrived, practiceStore_.get(),
            &PracticeSessionStore::takeArrivedRecords);
    connect(recordsLoader_.get(), &PracticeRecordsLoader::finished, this,
            [] { logStartupMilestone("practice records arrived"); });
    recordsLoader_->start();

    // The screens are put together on a turn of the event loop of their own:
    // with the services made in the same turn, the window would stay frozen
    // for both. Until then the window shows its black placeholder.
    QTimer::singleShot(1, this, &CorvaneApplication::attachScreens);
}

void CorvaneApplication::attachScreens()
{
    if (mainWindow_->rootView()) return;
    mainWindow_->attach(*practiceStore_, RootView::Assembly::inTurns);
    dressScene(mainWindow_->rootView());
    if (auto workspace = qobject_cast<PracticeWorkspaceView*>(
            mainWindow_->rootView()->destinationView(LibraryDestination::practice)))
        desktopAccessibility_->handTo(*workspace);
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
    // The settings edit the services, so they exist before the window does.
    makeServices();
    settingsWindow_.reset(sceneWindow("settings", QStringLiteral("Ajustes"), QSize(620, 460)));
    // The instrument's editor is another window: the settings only ask for it.
    auto view = new SettingsView(*practiceStore_, practiceStore_->midiDeviceMonitor(), practiceStore_->audioEngine(),
                                 [] { SceneWindows::shared().open(QStringLiteral("audio-unit-editor")); });
    settingsWindow_->layout()->addWidget(view);
    return settingsWindow_.get();
}

QWidget* CorvaneApplication::makeInstrumentEditorWindow()
{
    // The editor follows the engine, so the engine exists before the window does.
    makeServices();
    instrumentEditorWindow_.reset(
        sceneWindow("audio-unit-editor", QStringLiteral("Instrumento virtual"), QSize(760, 560)));
    instrumentEditorWindow_->layout()->addWidget(new AudioUnitEditorView(practiceStore_->audioEngine()));
    return instrumentEditorWindow_.get();
}

} // namespace corvane
