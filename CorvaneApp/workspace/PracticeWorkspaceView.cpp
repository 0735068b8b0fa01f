#include "CorvaneApp/workspace/PracticeWorkspaceView.hpp"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "CorvaneApp/kit/StageWoodRail.hpp"
#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneApp/workspace/CountInBadge.hpp"
#include "CorvaneApp/workspace/StudyTimelineView.hpp"
#include "CorvaneApp/workspace/WaitingBadge.hpp"

#ifdef BRELMO_HAS_STAGE_VIEW
#include "CorvaneRendering/GLStageView.hpp"
#include "CorvaneRendering/SoftwareRendering.hpp"
#include "CorvaneRendering/ThreadedStageView.hpp"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <future>
#endif

namespace corvane {

namespace {

// The stage where none is rendered.
class PlainStage : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgbF(0.02f, 0.02f, 0.03f));
    }
};

} // namespace

#ifdef BRELMO_HAS_STAGE_VIEW
namespace {
struct StageSupport {
    bool openGL = false;
    bool software = false; // the driver draws on the processor
};
} // namespace

static std::shared_future<StageSupport>& stageSupportProbe()
{
    static std::shared_future<StageSupport> probe;
    return probe;
}

// A window holding a GL widget cannot even be shown where the platform has no
// OpenGL (the offscreen one): the stage stays plain there.
static StageSupport platformStageSupport()
{
    PracticeWorkspaceView::probeStageSupport();
    return stageSupportProbe().get();
}
#endif

void PracticeWorkspaceView::probeStageSupport()
{
#ifdef BRELMO_HAS_STAGE_VIEW
    auto& probe = stageSupportProbe();
    if (probe.valid()) return;
    // The offscreen and minimal platforms make OpenGL contexts (with an X
    // display at hand) but cannot show OpenGL widgets: drawing one aborts.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        std::promise<StageSupport> none;
        none.set_value({});
        probe = none.get_future().share();
        return;
    }
    probe = std::async(std::launch::async, [] {
                QOpenGLContext context;
                if (!context.create()) return StageSupport{};
                // A pixel buffer on the platforms that draw with OpenGL, not a window: any thread may make it.
                QOffscreenSurface surface;
                surface.setFormat(context.format());
                surface.create();
                StageSupport support{.openGL = true};
                if (surface.isValid() && context.makeCurrent(&surface)) {
                    const auto* name = context.functions()->glGetString(GL_RENDERER);
                    support.software = name && isSoftwareRenderer(reinterpret_cast<const char*>(name));
                    context.doneCurrent();
                }
                return support;
            }).share();
#endif
}

// The rendered stage and the inputs last handed to it; empty for a plain stage.
struct WorkspaceStageLink {
#ifdef BRELMO_HAS_STAGE_VIEW
    GLStageView* view = nullptr;
    ThreadedStageView* threaded = nullptr; // instead where the driver draws in software
    StageInputs inputs;
    bool notesStale = true;
#endif
    void markNotesStale()
    {
#ifdef BRELMO_HAS_STAGE_VIEW
        notesStale = true;
#endif
    }
};

PracticeWorkspaceView::PracticeWorkspaceView(PracticeSessionStore& store, WorkspaceStage stage, QWidget* parent)
    : QWidget(parent), store_(store), link_(std::make_unique<WorkspaceStageLink>())
{
    setMinimumSize(560, 520);
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    stageArea_ = new QWidget(this);
    stageArea_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    stageArea_->installEventFilter(this);
#ifdef BRELMO_HAS_STAGE_VIEW
    const auto support = stage == WorkspaceStage::rendered ? platformStageSupport() : StageSupport{};
    // A photo whose header passed but whose picture cannot be decoded gets
    // the background inspector's alert rather than a bare stage.
    const auto photoFailed = [this](const QString& path) {
        if (store_.backgroundImageURL() == path.toStdString())
            store_.setBackgroundImageError("A foto de fundo não pôde ser aberta. Escolha o arquivo novamente.");
    };
    if (support.software) {
        // Drawn on its own thread: the window's thread then never waits for the rasteriser.
        link_->threaded = new ThreadedStageView(stageArea_);
        stage_ = link_->threaded;
        connect(link_->threaded, &ThreadedStageView::backgroundPhotoFailed, this, photoFailed);
    } else if (support.openGL) {
        link_->view = new GLStageView(stageArea_);
        stage_ = link_->view;
        connect(link_->view, &GLStageView::backgroundPhotoFailed, this, photoFailed);
    }
#else
    (void)stage;
#endif
    if (!stage_) stage_ = new PlainStage(stageArea_);
    rail_ = new StageWoodRail(stageArea_);
    countIn_ = new CountInBadge(stageArea_);
    waiting_ = new WaitingBadge(stageArea_);
    column->addWidget(stageArea_, 1);

    timeline_ = new StudyTimelineView(store_, this);
    column->addWidget(timeline_);

    connect(&store_, &PracticeSessionStore::countInProgressChanged, this, &PracticeWorkspaceView::applyCountIn);
    connect(&store_, &PracticeSessionStore::isWaitingForInputChanged, this, &PracticeWorkspaceView::applyWaiting);
    connect(&store_, &PracticeSessionStore::waitingNotesChanged, this, &PracticeWorkspaceView::applyWaiting);

    stageUpdate_.setSingleShot(true);
    stageUpdate_.setInterval(0);
    connect(&stageUpdate_, &QTimer::timeout, this, &PracticeWorkspaceView::pushStageInputs);
    if (hasRenderedStage()) {
        for (auto changed :
             {&PracticeSessionStore::visualPresetChanged, &PracticeSessionStore::isPlayingChanged,
              &PracticeSessionStore::currentSongChanged, &PracticeSessionStore::visualImpactEventsChanged,
              &PracticeSessionStore::playbackPositionSecondsChanged, &PracticeSessionStore::backgroundImageURLChanged})
            connect(&store_, changed, this, &PracticeWorkspaceView::scheduleStageUpdate);
        for (auto changed : {&PracticeSessionStore::timelineNotesChanged, &PracticeSessionStore::trackSettingsChanged})
            connect(&store_, changed, this, [this] {
                link_->markNotesStale();
                scheduleStageUpdate();
            });
        connect(&store_, &PracticeSessionStore::reduceParticlesChanged, this,
                &PracticeWorkspaceView::scheduleStageUpdate);
        pushStageInputs();
    }

    applyCountIn();
    applyWaiting();
}

PracticeWorkspaceView::~PracticeWorkspaceView() = default;

bool PracticeWorkspaceView::hasRenderedStage() const
{
#ifdef BRELMO_HAS_STAGE_VIEW
    return link_->view != nullptr || link_->threaded != nullptr;
#else
    return false;
#endif
}

bool PracticeWorkspaceView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == stageArea_ && event->type() == QEvent::Resize) layOutStage();
    return QWidget::eventFilter(watched, event);
}

void PracticeWorkspaceView::layOutStage()
{
    const int w = stageArea_->width();
    const int h = stageArea_->height();
    stage_->setGeometry(0, 0, w, h);
    rail_->place(w, h);
    countIn_->move((w - countIn_->width()) / 2, (h - countIn_->height()) / 2);
    waiting_->move((w - waiting_->width()) / 2, h - 20 - waiting_->height());
}

void PracticeWorkspaceView::setDesktopAccessibility(const DesktopAccessibility& accessibility)
{
    if (accessibility == desktopAccessibility_) return;
    desktopAccessibility_ = accessibility;
    countIn_->setAnimates(!accessibility.reduceMotion);
    waiting_->setAnimates(!accessibility.reduceMotion);
    if (hasRenderedStage()) scheduleStageUpdate();
}

VisualAccessibilityOptions PracticeWorkspaceView::stageAccessibilityOptions() const
{
    return {desktopAccessibility_.reduceMotion, desktopAccessibility_.increaseContrast, store_.reduceParticles(), 1.0};
}

void PracticeWorkspaceView::applyCountIn()
{
    if (const auto& progress = store_.countInProgress()) countIn_->setProgress(*progress);
    countIn_->setPresented(store_.countInProgress().has_value());
    layOutStage();
}

void PracticeWorkspaceView::applyWaiting()
{
    waiting_->setNotes(store_.waitingNotes());
    waiting_->setPresented(store_.isWaitingForInput());
    layOutStage();
}

void PracticeWorkspaceView::scheduleStageUpdate()
{
    if (!stageUpdate_.isActive()) stageUpdate_.start();
}

void PracticeWorkspaceView::pushStageInputs()
{
#ifdef BRELMO_HAS_STAGE_VIEW
    if (!hasRenderedStage()) return;
    auto& inputs = link_->inputs;
    inputs.preset = store_.visualPreset();
    inputs.isPlaying = store_.isPlaying();
    inputs.hasSong = store_.currentSong().has_value();
    inputs.impactEvents = store_.visualImpactEvents();
    // The audible notes are worked out anew only when the notes or the mutes changed.
    if (link_->notesStale) {
        inputs.timelineNotes = store_.audibleTimelineNotes();
        link_->notesStale = false;
    }
    inputs.playbackPositionSeconds = store_.playbackPositionSeconds();
    inputs.accessibilityOptions = stageAccessibilityOptions();
    inputs.backgroundImagePath = store_.backgroundImageURL();
    if (link_->view) link_->view->update(inputs);
    else link_->threaded->update(inputs);
#endif
}

} // namespace corvane
