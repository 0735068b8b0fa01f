#include "CorvaneApp/settings/AudioUnitEditorView.hpp"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <xcb/xcb.h>

#include <cstdlib>

#include "CorvaneApp/kit/style/StudioAppearance.hpp"
#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioSymbols.hpp"
#include "CorvaneApp/settings/AudioUnitEditorViewGeneric.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/instruments/LV2UserInterface.hpp"

namespace corvane {

namespace {

// How many idle ticks the interface's window may take to reach the X
// server before its size is no longer asked for.
constexpr int geometryAttempts = 30;

QLabel* makeText(const QString& text, const QFont& font, const QColor& color)
{
    auto label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// The size of an X window as the server knows it; absent when the server
// does not know the window (yet).
std::optional<QSize> windowGeometry(std::uintptr_t window)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || window == 0) return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const auto cookie = xcb_get_geometry(connection, static_cast<xcb_drawable_t>(window));
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(connection, cookie, nullptr);
    if (!reply) return std::nullopt;
    const QSize size(reply->width, reply->height);
    std::free(reply);
    return size;
}

class SymbolMark : public QWidget {
public:
    SymbolMark(QString name, int side) : name_(std::move(name)) { setFixedSize(side, side); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintStudioSymbol(painter, name_, QRectF(rect()), StudioAppearance::tertiaryText());
    }

private:
    QString name_;
};

} // namespace

// MARK: - Container

AudioUnitContainerView::AudioUnitContainerView(LV2Instrument& plugin, QWidget* parent)
    : QWidget(parent), plugin_(plugin), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    idleTimer_.setInterval(idleInterval);
    connect(&idleTimer_, &QTimer::timeout, this, &AudioUnitContainerView::tick);
}

AudioUnitContainerView::~AudioUnitContainerView()
{
    // The interface's window is a child of the host's: the interface goes first.
    dropInterface();
}

void AudioUnitContainerView::dropInterface()
{
    userInterface_.reset();
    // A Qt 6 interface's cleanup may have left its widget to us.
    delete interfaceWidget_.data();
    hostedOpening_ = 0;
    hostedWindow_ = 0;
}

void AudioUnitContainerView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!requestedView_) requestView();
    idleTimer_.start();
}

void AudioUnitContainerView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    idleTimer_.stop();
}

void AudioUnitContainerView::requestView()
{
    requestedView_ = true;
    ++viewRequests_;
    // Only an X11 window can hold an X11 interface; under any other platform
    // the plugin's code would take the process down.
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    for (const auto& choice : plugin_.userInterfaces()) {
        if (choice.toolkit == LV2UserInterfaceChoice::Toolkit::x11 && !x11) continue;
        if (openInterface(choice)) return;
    }
    installNotice();
}

bool AudioUnitContainerView::openInterface(const LV2UserInterfaceChoice& choice)
{
    pluginHost_ = new QWidget(this);
    pluginHost_->setObjectName(QStringLiteral("pluginHost"));
    layout_->addWidget(pluginHost_);
    const auto onResize = [this](int width, int height) { preferSize({width, height}); };
    if (choice.toolkit == LV2UserInterfaceChoice::Toolkit::x11) {
        pluginHost_->setAttribute(Qt::WA_NativeWindow);
        const auto parentWindow = static_cast<std::uintptr_t>(pluginHost_->winId());
        userInterface_ = LV2UserInterface::open(plugin_, choice, {.x11Parent = parentWindow}, onResize);
        if (userInterface_) {
            hostedWindow_ = userInterface_->window();
            hostedOpening_ = userInterface_->openings();
            geometryAttemptsLeft_ = geometryAttempts;
            readInterfaceGeometry();
            adoptOwnToolkitWindow();
            return true;
        }
    } else {
        auto column = new QVBoxLayout(pluginHost_);
        column->setContentsMargins(0, 0, 0, 0);
        userInterface_ = LV2UserInterface::open(plugin_, choice, {.qtParent = pluginHost_}, onResize);
        if (userInterface_) {
            hostWidget(static_cast<QWidget*>(userInterface_->widget()));
            return true;
        }
    }
    delete pluginHost_;
    pluginHost_ = nullptr;
    return false;
}

void AudioUnitContainerView::hostWidget(QWidget* widget)
{
    hostedOpening_ = userInterface_->openings();
    interfaceWidget_ = widget;
    pluginHost_->layout()->addWidget(widget);
    widget->show();
    userInterface_->showEmbedded();
    const QSize wish = widget->sizeHint();
    if (!preferredSize_ && wish.isValid()) preferSize(wish);
}

void AudioUnitContainerView::adoptOwnToolkitWindow()
{
    QWidget* made = QWidget::find(static_cast<WId>(userInterface_->window()));
    if (!made || made->parentWidget()) return;
    const QSize size = made->size();
    if (!pluginHost_->layout()) {
        auto column = new QVBoxLayout(pluginHost_);
        column->setContentsMargins(0, 0, 0, 0);
    }
    made->setParent(pluginHost_);
    pluginHost_->layout()->addWidget(made);
    made->show();
    interfaceWidget_ = made;
    geometryAttemptsLeft_ = 0;
    if (!size.isEmpty()) preferSize(size);
}

bool AudioUnitContainerView::followInterface()
{
    if (!userInterface_) return false;
    if (userInterface_->choice().toolkit == LV2UserInterfaceChoice::Toolkit::x11) {
        // A rebuilt instance: the interface's new window, with its own size.
        if (userInterface_->openings() != hostedOpening_) {
            hostedOpening_ = userInterface_->openings();
            hostedWindow_ = userInterface_->window();
            geometryAttemptsLeft_ = geometryAttempts;
            adoptOwnToolkitWindow();
        }
        return hostedWindow_ != 0 && userInterface_->window() != 0;
    }
    void* widget = userInterface_->widget();
    if (widget && userInterface_->openings() != hostedOpening_) {
        // A rebuilt instance: the old widget (if its cleanup left it) goes, the new one takes its place.
        delete interfaceWidget_.data();
        hostWidget(static_cast<QWidget*>(widget));
        return true;
    }
    // Deleted by the interface itself, or not made again: never touched again.
    return widget && interfaceWidget_;
}

void AudioUnitContainerView::readInterfaceGeometry()
{
    if (geometryAttemptsLeft_ <= 0 || !userInterface_) return;
    --geometryAttemptsLeft_;
    if (const auto size = windowGeometry(userInterface_->window())) {
        geometryAttemptsLeft_ = 0;
        preferSize(*size);
    }
}

void AudioUnitContainerView::installNotice()
{
    notice_ = makeText(QStringLiteral("Este instrumento não fornece uma interface própria."), studioBody(),
                       StudioAppearance::secondaryText());
    notice_->setObjectName(QStringLiteral("notice"));
    generic_ = new AudioUnitGenericEditor(plugin_);
    if (generic_->rowCount() > 0) {
        notice_->setContentsMargins(24, 20, 24, 8);
        layout_->addWidget(notice_);
        layout_->addWidget(generic_, 1);
    } else {
        // Nothing to edit: the notice alone, in the middle.
        generic_->hide();
        layout_->addStretch(1);
        layout_->addWidget(notice_);
        layout_->addStretch(1);
        layout_->addWidget(generic_);
    }
}

void AudioUnitContainerView::preferSize(QSize size)
{
    preferredSize_ = size;
    if (size.width() <= 0 || size.height() <= 0) return;
    // The window is looked up now: one that holds the container no longer,
    // or not yet, is left alone.
    QWidget* top = window();
    if (!top || top == this) return;
    // A wish larger than the screen would make a window no one can use (and
    // X11 sizes end at 32,767).
    if (const QScreen* screen = top->screen()) size = size.boundedTo(screen->availableGeometry().size());
    top->resize(size);
}

void AudioUnitContainerView::tick()
{
    // An editor running the event loop from its idle call brings its next
    // tick inside the present one: it is skipped.
    if (LV2UserInterface::insideEditorCall()) return;
    if (userInterface_) {
        if (!followInterface()) {
            // Its widget gone or not made again: the notice and the generic editor instead.
            dropInterface();
            delete pluginHost_;
            pluginHost_ = nullptr;
            installNotice();
        } else {
            userInterface_->idle();
            readInterfaceGeometry();
        }
    }
    if (generic_) generic_->refresh();
}

// MARK: - Empty state

AudioUnitEmptyState::AudioUnitEmptyState(QWidget* parent)
    : QWidget(parent),
      title_(makeText(QStringLiteral("Nenhum plug-in LV2 selecionado"), studioHeadline(),
                      StudioAppearance::primaryText())),
      description_(makeText(QStringLiteral("Escolha um instrumento em Ajustes → Áudio."), studioCallout(),
                            StudioAppearance::secondaryText()))
{
    setMinimumSize(leastWidth, leastHeight);
    title_->setObjectName(QStringLiteral("title"));
    description_->setObjectName(QStringLiteral("description"));
    auto column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(new SymbolMark(systemImage(), 44), 0, Qt::AlignHCenter);
    column->addSpacing(4);
    column->addWidget(title_);
    column->addWidget(description_);
    column->addStretch(1);
}

// MARK: - Editor view

AudioUnitEditorView::AudioUnitEditorView(PianoAudioEngine* audioEngine, QWidget* parent)
    : QWidget(parent), audioEngine_(audioEngine), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    if (audioEngine) {
        // Direct: with the output stopped the outgoing plugin is freed inside
        // the signal's emitter, so its interface must be closed within it.
        connect(audioEngine, &PianoAudioEngine::selectedInstrumentChanged, this, &AudioUnitEditorView::follow,
                Qt::DirectConnection);
    }
    follow();
}

AudioUnitEditorView::~AudioUnitEditorView()
{
    persist();
    // The plugin's interface closes before anything else of the view goes.
    delete container_;
    container_ = nullptr;
}

void AudioUnitEditorView::follow()
{
    LV2Instrument* plugin = nullptr;
    std::string id;
    if (audioEngine_ && audioEngine_->selectedInstrument().kind == AudioInstrumentDescriptor::Kind::audioUnit) {
        plugin = audioEngine_->activeAudioUnit();
        id = audioEngine_->selectedInstrument().id;
    }
    if (plugin && container_ && containerID_ == id && &container_->plugin() == plugin) return;
    if (!plugin && emptyState_) return;

    delete container_;
    container_ = nullptr;
    delete emptyState_;
    emptyState_ = nullptr;
    containerID_.clear();
    if (plugin) {
        container_ = new AudioUnitContainerView(*plugin, this);
        containerID_ = id;
        layout_->addWidget(container_);
    } else {
        emptyState_ = new AudioUnitEmptyState(this);
        layout_->addWidget(emptyState_);
    }
}

void AudioUnitEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    needsPersist_ = true;
}

void AudioUnitEditorView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    persist();
}

void AudioUnitEditorView::persist()
{
    if (!needsPersist_) return;
    needsPersist_ = false;
    if (audioEngine_) audioEngine_->persistActiveInstrumentState();
}

} // namespace corvane
