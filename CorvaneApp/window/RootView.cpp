#include "CorvaneApp/window/RootView.hpp"

#include <QDialog>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMimeData>
#include <QShowEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

#include "CorvaneApp/commands/PracticeCommands.hpp"
#include "CorvaneApp/commands/ShortcutLabel.hpp"
#include "CorvaneApp/commands/WindowSpacebarShortcut.hpp"
#include "CorvaneApp/inspector/VisualInspectorView.hpp"
#include "CorvaneApp/kit/RetroWoodColumn.hpp"
#include "CorvaneApp/kit/style/StudioAccent.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/library/MusicLibraryView.hpp"
#include "CorvaneApp/library/RecentPracticeView.hpp"
#include "CorvaneApp/library/SidebarView.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/window/DropHighlight.hpp"
#include "CorvaneApp/window/ErrorAlert.hpp"
#include "CorvaneApp/window/OpenMIDIRequests.hpp"
#include "CorvaneApp/window/PaintingCover.hpp"
#include "CorvaneApp/window/SceneWindows.hpp"
#include "CorvaneApp/window/SidebarOverlay.hpp"
#include "CorvaneApp/window/TurnSequence.hpp"
#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/MusicLibraryStore.hpp"
#include "CorvaneLibrary/PracticeProgressStore.hpp"

namespace corvane {

namespace {

constexpr const char* sidebarSymbol = "sidebar.leading";

QColor accentColor(const VisualPreset& preset)
{
    const auto unit = [](double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; };
    double hue = std::isfinite(preset.accentHue) ? std::fmod(preset.accentHue, 1.0) : 0.0;
    if (hue < 0) hue += 1.0;
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(unit(preset.accentSaturation)),
                            static_cast<float>(unit(preset.accentBrightness)), 1.0f);
}

} // namespace

RootView::RootView(PracticeSessionStore& store, QWidget* parent, Assembly assembly)
    : QWidget(parent), store_(store), libraryStore_(std::make_unique<MusicLibraryStore>(store.userDefaults()))
{
    setObjectName(QStringLiteral("RootView"));
    setFixedSize(contentWidth, contentHeight);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAcceptDrops(true);

    buildFrameRow();

    dropHighlight_ = new DropHighlight(this);
    sidebar_ = new SidebarOverlay(this);
    connect(sidebar_, &SidebarOverlay::backdropTapped, this, [this] { setSidebar(false); });
    spacebarShortcut_ = new WindowSpacebarShortcut(this);
    spacebarShortcut_->setAction([this] { store_.togglePlayback(); });
    spacebarShortcut_->setReturnToStartAction([this] { store_.seek(0); });

    errorAlert_ = new ErrorAlert(this, store_, *libraryStore_);

    connect(&store_, &PracticeSessionStore::currentSongChanged, this, &RootView::applyWindowTitle);
    connect(&store_, &PracticeSessionStore::visualPresetChanged, this, &RootView::applyAccent);
    connect(&store_, &PracticeSessionStore::isTrackSelectionPresentedChanged, this, &RootView::presentTrackSelection);
    for (auto changed : {&PracticeSessionStore::isPlayingChanged, &PracticeSessionStore::countInProgressChanged,
                         &PracticeSessionStore::currentSongChanged, &PracticeSessionStore::loopRangeChanged})
        connect(&store_, changed, this, &RootView::practiceCommandActionsChanged);
    // A new seek step shows in the menu titles at once.
    connect(&store_, &PracticeSessionStore::seekStepSecondsChanged, this, &RootView::practiceCommandActionsChanged);
    connect(&OpenMIDIRequests::shared(), &OpenMIDIRequests::pendingChanged, this, [this] {
        if (hasAppeared_) consumePendingOpenRequest();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) refreshLibraryOnActivation();
    });

    applyWindowTitle();
    applyAccent();

    // The inspector, the destinations and the sidebar not shown yet follow on
    // turns of the event loop of their own, so that the window never waits
    // for all of them at once; whatever asks for one sooner has it made then.
    if (assembly == Assembly::atOnce) {
        buildInspector();
        buildLibrary();
        buildRecentPractice();
        buildSidebarView();
        return;
    }
    // The parts shown first are painted a group per turn too, each once its
    // cover goes: the frame, then the practice screen, then the inspector.
    // The turns left empty are for that painting.
    const auto uncovering = [](std::vector<QPointer<PaintingCover>> covers) {
        return [covers] {
            for (const auto& cover : covers) delete cover.data();
        };
    };
    std::vector<QPointer<PaintingCover>> woodCovers;
    for (auto wood : woodColumns_) woodCovers.emplace_back(new PaintingCover(wood));
    new TurnSequence({[this] { buildInspector(); }, {}, uncovering(woodCovers), {},
                      uncovering({new PaintingCover(practiceWorkspace_)}), {},
                      uncovering({new PaintingCover(inspectorSlot_)}), {}, [this] { buildLibrary(); },
                      [this] { buildRecentPractice(); }, [this] { buildSidebarView(); }},
                     this);
}

RootView::~RootView()
{
    // The alert and dialogs refer to the library store; they go first.
    delete errorAlert_;
    errorAlert_ = nullptr;
}

void RootView::buildFrameRow()
{
    frameRow_ = new QWidget(this);
    frameRow_->setObjectName(QStringLiteral("frameRow"));
    frameRow_->setGeometry(0, 0, contentWidth, contentHeight);
    auto row = new QHBoxLayout(frameRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    const auto column = [this](const char* name, RetroWoodPlank plank) {
        auto widget = new RetroWoodColumn(std::move(plank), woodColumnWidth, frameRow_);
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };

    destinations_ = new QStackedWidget(frameRow_);
    destinations_->setObjectName(QStringLiteral("destinationArea"));
    practiceWorkspace_ = new PracticeWorkspaceView(store_, WorkspaceStage::rendered, destinations_);
    destinations_->addWidget(practiceWorkspace_);

    inspectorSlot_ = new QWidget(frameRow_);
    inspectorSlot_->setObjectName(QStringLiteral("inspectorSlot"));
    inspectorSlot_->setFixedWidth(inspectorWidth);
    auto slotColumn = new QVBoxLayout(inspectorSlot_);
    slotColumn->setContentsMargins(0, 0, 0, 0);

    auto wood1 = column("woodColumn1", {QStringLiteral("wood1"), 38, 2, 28});
    auto wood2 = column("woodColumn2", {QStringLiteral("wood2"), 53, 14, 25});
    auto wood3 = column("woodColumn3", {QStringLiteral("wood3"), 39, 14, 25});
    row->addWidget(wood1);
    row->addWidget(destinations_, 1);
    row->addWidget(wood2);
    row->addWidget(inspectorSlot_);
    row->addWidget(wood3);
    // The columns lie above the destination area and the inspector where they meet.
    for (auto wood : {wood1, wood2, wood3}) wood->raise();
    woodColumns_ = {wood1, wood2, wood3};
}

void RootView::buildInspector()
{
    if (inspector_) return;
    inspector_ = new VisualInspectorView(
        store_, [] { SceneWindows::shared().open(QStringLiteral("audio-unit-editor")); }, inspectorSlot_);
    inspectorSlot_->layout()->addWidget(inspector_);
}

QWidget* RootView::inspectorPlace()
{
    buildInspector();
    return inspector_;
}

void RootView::buildLibrary()
{
    if (musicLibrary_) return;
    // The library's actions that need the window: its file dialog and the practice destination.
    musicLibrary_ = new MusicLibraryView(
        *libraryStore_,
        {[this] { requestImport(FileImportRequest::midi()); },
         [this] { requestImport(FileImportRequest::libraryFolder()); },
         [this](const UUID& sourceID) { requestImport(FileImportRequest::reauthorizedFolder(sourceID)); },
         [this](const ResolvedLibrarySong& song) { practice(song); }},
        destinations_);
    destinations_->addWidget(musicLibrary_);
}

void RootView::buildRecentPractice()
{
    if (recentPractice_) return;
    auto recentPractice = new RecentPracticeView(
        {[this](const RecentPracticeSong& song) { continueSong(song); },
         [this](const PracticeHistoryEntry& entry) { continueSession(entry); },
         [this](const RecentPracticeSong& song) { resetSong(song); }},
        destinations_);
    recentPractice->setSource([this] {
        return RecentPracticeContents{store_.recentSongs(), store_.progressStore().historyEntries()};
    });
    connect(&store_, &PracticeSessionStore::progressRevisionChanged, recentPractice, &RecentPracticeView::sourceChanged);
    recentPractice_ = recentPractice;
    destinations_->addWidget(recentPractice_);
}

void RootView::buildSidebarView()
{
    if (sidebarView_) return;
    // Choosing a destination or a recent song in the sidebar also closes it.
    sidebarView_ = new SidebarView(
        {[this](std::optional<LibraryDestination> destination) {
             setSelection(destination);
             setSidebar(false);
         },
         [this](const RecentPracticeSong& song) {
             continueSong(song);
             setSidebar(false);
         },
         [] { SceneWindows::shared().open(QStringLiteral("settings")); }},
        sidebar_->sidebarPlace());
    auto sidebarColumn = new QVBoxLayout(sidebar_->sidebarPlace());
    sidebarColumn->setContentsMargins(0, 0, 0, 0);
    sidebarColumn->addWidget(sidebarView_);
    sidebarView_->setSelection(selection_);
    sidebarView_->setRecentSongsSource([this] { return store_.recentSongs(); });
    connect(&store_, &PracticeSessionStore::progressRevisionChanged, sidebarView_, &SidebarView::recentSongsChanged);
}

QWidget* RootView::destinationView(LibraryDestination destination)
{
    switch (destination) {
    case LibraryDestination::practice: return practiceWorkspace_;
    case LibraryDestination::library: buildLibrary(); return musicLibrary_;
    case LibraryDestination::recent: buildRecentPractice(); return recentPractice_;
    }
    return practiceWorkspace_;
}

SidebarView* RootView::sidebarView()
{
    buildSidebarView();
    return sidebarView_;
}

LibraryDestination RootView::shownDestination() const { return selection_.value_or(LibraryDestination::practice); }

void RootView::setSelection(std::optional<LibraryDestination> destination)
{
    selection_ = destination;
    destinations_->setCurrentWidget(destinationView(shownDestination()));
    if (sidebarView_) sidebarView_->setSelection(selection_);
}

void RootView::setSidebar(bool presented)
{
    if (presented) buildSidebarView();
    isSidebarPresented_ = presented;
    sidebar_->setPresented(presented);
}

QString RootView::windowTitleText() const
{
    const auto& song = store_.currentSong();
    return song ? QString::fromStdString(song->title()) : QStringLiteral("Brelmo");
}

void RootView::applyWindowTitle()
{
    const QString title = windowTitleText();
    setWindowTitle(title);
    if (window() != this) window()->setWindowTitle(title);
}

void RootView::applyAccent()
{
    const QColor accent = accentColor(store_.visualPreset());
    setStudioAccent(this, accent);
    QPalette tinted = palette();
    tinted.setColor(QPalette::Highlight, accent);
    tinted.setColor(QPalette::Link, accent);
    setPalette(tinted);
}

QToolButton* RootView::sidebarButtonShell(QWidget* parent)
{
    auto button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("sidebarButton"));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(false);
    return button;
}

void RootView::dressSidebarButton(QToolButton* button)
{
    button->setText(QStringLiteral("Barra lateral"));
    button->setAccessibleName(QStringLiteral("Barra lateral"));
    button->setProperty("systemImage", QString::fromLatin1(sidebarSymbol));
    button->setIcon(
        studioSymbolIcon(QString::fromLatin1(sidebarSymbol), 18, palette().color(QPalette::WindowText)));
    button->setToolTip(QStringLiteral("Mostrar ou ocultar a barra lateral (%1)")
                           .arg(shortcutLabel(QKeySequence(QString::fromLatin1(PracticeCommands::toggleInspectorShortcut)))));
    connect(button, &QToolButton::clicked, this, [this] { setSidebar(!isSidebarPresented_); });
    button->setEnabled(true);
}

QWidget* RootView::makeSidebarButton(QWidget* parent)
{
    auto button = sidebarButtonShell(parent);
    dressSidebarButton(button);
    return button;
}

PracticeCommandActions RootView::practiceCommandActions()
{
    QPointer<RootView> self(this);
    const auto onView = [self](void (*body)(RootView&)) {
        return [self, body] {
            if (self) body(*self);
        };
    };
    return makePracticeCommandActions(
        store_, {onView([](RootView& v) { v.requestImport(FileImportRequest::midi()); }),
                 onView([](RootView& v) { v.setSelection(LibraryDestination::practice); }),
                 onView([](RootView& v) { v.setSelection(LibraryDestination::recent); }),
                 onView([](RootView& v) { v.setSidebar(!v.isSidebarPresented()); })});
}

void RootView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyWindowTitle();
    if (event->spontaneous() || hasAppeared_) return;
    hasAppeared_ = true;
    // A file the operating system handed over before the window existed.
    consumePendingOpenRequest();
}

void RootView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Minimising is not going away; closing the window is.
    if (event->spontaneous()) return;
    store_.flushProgress();
}

void RootView::resizeEvent(QResizeEvent*)
{
    frameRow_->setGeometry(rect());
    dropHighlight_->setGeometry(frameRow_->geometry());
    sidebar_->setGeometry(rect());
}

void RootView::refreshLibraryOnActivation()
{
    if (hasAppeared_ && selection_ == LibraryDestination::library) libraryStore_->refreshAll();
}

void RootView::presentTrackSelection()
{
    if (!store_.isTrackSelectionPresented()) {
        if (trackSelectionSheet_ && trackSelectionSheet_->isVisible()) {
            trackSelectionSheet_->blockSignals(true);
            trackSelectionSheet_->hide();
            trackSelectionSheet_->blockSignals(false);
        }
        return;
    }
    if (!trackSelectionSheet_) {
        trackSelectionSheet_ = new TrackSelectionSheet(store_, this);
        // Closed by the window system: the controller starts what the opening held back.
        connect(trackSelectionSheet_, &QDialog::finished, this, [this] { store_.dismissTrackSelection(); });
    }
    if (!trackSelectionSheet_->isVisible()) trackSelectionSheet_->open();
}

} // namespace corvane
