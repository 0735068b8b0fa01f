// Choosing the instrument and the output device, and keeping those choices
// and each plugin's state in the defaults store.

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "CorvaneAudio/engine/HeldControllers.hpp"
#include "CorvaneAudio/engine/PianoAudioEngine.hpp"
#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/instruments/LV2UserInterface.hpp"
#include "CorvaneAudio/instruments/SoundFontPiano.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

namespace {

const char* const missingRestoredInstrumentMessage =
    "O plug-in LV2 usado anteriormente não está disponível; o piano interno foi mantido.";
const char* const missingSelectedInstrumentMessage = "O instrumento selecionado não está mais disponível.";
const char* const missingOutputMessage = "A saída de áudio selecionada não está disponível.";
// ms between tries of a swap held back by a running editor call.
constexpr int editorRetryInterval = 10;

// Runs `work` on a worker thread and hands its result to `then` on the main
// thread; nothing is handed back once the engine is gone. The worker never
// touches the engine itself: it may be destroyed on the main thread meanwhile,
// so the guard is read only there.
template <class Work, class Then> void runDetached(QObject* engine, Work work, Then then)
{
    QPointer<QObject> guard(engine);
    QThreadPool::globalInstance()->start([guard, work = std::move(work), then = std::move(then)]() mutable {
        auto result = std::make_shared<decltype(work())>(work());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, then = std::move(then), result]() mutable {
                if (guard) then(std::move(*result));
            },
            Qt::QueuedConnection);
    });
}

} // namespace

// What a worker built for a selection: the instrument, or why it failed.
struct PianoAudioEngine::BuiltInstrument {
    std::unique_ptr<RenderInstrument> instrument;
    LV2Instrument* plugin = nullptr;
    std::string failure;
};

void PianoAudioEngine::restorePreferredInstrument(std::function<void()> done)
{
    if (didAttemptRestore_) {
        if (done) done();
        return;
    }
    didAttemptRestore_ = true;
    // Selecting the stored output lists the devices itself. An output
    // prepared on the stored device is already open on it, and its listing
    // is fresh: neither is done again on this thread.
    const auto output = defaults_.stringValue(selectedOutputPreferenceKey);
    auto prepared = std::exchange(preparedOutputs_, std::nullopt);
    if (prepared && stream_->isOpen() && streamOutputUID_ == output) {
        setAvailableAudioOutputs(std::move(*prepared));
        setSelectedOutputUID(output);
        setOutputError(std::nullopt);
    } else if (output) {
        selectAudioOutput(*output);
    } else {
        refreshAudioOutputs();
    }

    refreshAvailableInstruments([this, done = std::move(done)]() mutable {
        const auto stored = defaults_.stringValue(selectedInstrumentPreferenceKey);
        if (!stored || *stored == AudioInstrumentDescriptor::bundledPiano().id) {
            if (done) done();
            return;
        }
        for (const auto& descriptor : availableInstruments_) {
            if (descriptor.id != *stored) continue;
            selectInstrument(AudioInstrumentDescriptor(descriptor), std::move(done));
            return;
        }
        // The stored id stays: the plugin may be installed again later.
        setInstrumentError(std::string(missingRestoredInstrumentMessage));
        if (done) done();
    });
}

void PianoAudioEngine::refreshAvailableInstruments(std::function<void()> done)
{
    // One discovery at a time. A caller arriving while one runs waits for its
    // list: going on with the old list would report an installed plugin as missing.
    if (done) refreshWaiters_.push_back(std::move(done));
    if (isRefreshingInstruments_) return;
    setIsRefreshingInstruments(true);
    runDetached(
        this, [] { return AudioUnitInstrumentCatalog::discover(); },
        [this](std::vector<AudioInstrumentDescriptor> instruments) {
            setAvailableInstruments(std::move(instruments));
            setIsRefreshingInstruments(false);
            auto waiters = std::move(refreshWaiters_);
            refreshWaiters_.clear();
            for (auto& waiter : waiters) waiter();
        });
}

void PianoAudioEngine::selectInstrument(const std::string& id, std::function<void()> done)
{
    for (const auto& descriptor : availableInstruments_) {
        if (descriptor.id != id) continue;
        selectInstrument(AudioInstrumentDescriptor(descriptor), std::move(done));
        return;
    }
    setInstrumentError(std::string(missingSelectedInstrumentMessage));
    if (done) done();
}

void PianoAudioEngine::selectInstrument(const AudioInstrumentDescriptor& descriptor, std::function<void()> done)
{
    if (descriptor.id == selectedInstrument_.id || loadingInstrumentID_) {
        if (done) done();
        return;
    }
    setLoadingInstrumentID(descriptor.id);
    setInstrumentError(std::nullopt);

    // Built where the stream will play it; a later output at another rate re-prepares it.
    const double sampleRate = stream_->isOpen() ? stream_->sampleRate() : CountInClicks::sampleRate;
    const auto soundFont = locateSoundFont_();
    auto build = [descriptor, sampleRate, soundFont, released = released_] {
        auto built = std::make_shared<BuiltInstrument>();
        try {
            if (descriptor.kind == AudioInstrumentDescriptor::Kind::bundledSoundFont) {
                if (!soundFont) throw PianoAudioError(PianoAudioError::SoundFontMissing{});
                built->instrument = std::make_unique<SoundFontPiano>(*soundFont, sampleRate, released.get());
            } else {
                auto plugin = LV2Instrument::instantiate(*descriptor.componentDescription(), sampleRate);
                built->plugin = plugin.get();
                built->instrument = std::move(plugin);
            }
        } catch (const std::exception& error) {
            built->failure = error.what();
        }
        return built;
    };
    runDetached(this, std::move(build),
                [this, descriptor, done = std::move(done)](std::shared_ptr<BuiltInstrument> built) mutable {
                    finishSelection(descriptor, std::move(built), std::move(done));
                });
}

void PianoAudioEngine::finishSelection(const AudioInstrumentDescriptor& descriptor,
                                       std::shared_ptr<BuiltInstrument> built, std::function<void()> done)
{
    // Reached from inside a plugin editor's own event loop: the swap would
    // free that editor while its code runs. Tried again once it has returned.
    if (LV2UserInterface::insideEditorCall()) {
        QTimer::singleShot(editorRetryInterval, this, [this, descriptor, built = std::move(built),
                                                       done = std::move(done)]() mutable {
            finishSelection(descriptor, std::move(built), std::move(done));
        });
        return;
    }
    std::optional<std::string> failure;
    if (!built->instrument) {
        failure = built->failure;
    } else if (stream_->isOpen()) {
        // Built at the rate the stream had when the selection began; an
        // output switch while it loaded may have changed that rate.
        try {
            built->instrument->prepare(stream_->sampleRate());
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    if (!failure) {
        if (onWillReconfigure) onWillReconfigure();
        // The outgoing plugin's state is stored under its own id first.
        persistActiveInstrumentState();
        stopAllNotes();
        LV2Instrument* plugin = built->plugin;
        if (plugin) restoreState(descriptor, *plugin);
        swapInstrument(descriptor, std::move(built->instrument), plugin);
        if (!plugin) setActiveInstrumentHasUserInterface(false);
        defaults_.setString(selectedInstrumentPreferenceKey, descriptor.id);
        try {
            start();
        } catch (const std::exception& error) {
            failure = error.what();
        }
        // The new plugin is attached whether or not the output started: the
        // flag must describe it, not the plugin it replaced.
        if (plugin) probeUserInterfaceAvailability(*plugin, descriptor.id);
    }
    if (failure) setInstrumentError("Não foi possível carregar " + descriptor.name + ": " + *failure);
    setLoadingInstrumentID(std::nullopt);
    if (done) done();
}

void PianoAudioEngine::loadBuiltInPiano(std::filesystem::path soundFont, double sampleRate,
                                        std::shared_ptr<BuiltInstrument> built)
{
    auto build = [soundFont = std::move(soundFont), sampleRate, built = std::move(built),
                  released = released_]() mutable {
        try {
            if (built) {
                // Rebuilt while the old synth still holds the decoded samples: milliseconds.
                built->instrument->prepare(sampleRate);
            } else {
                built = std::make_shared<BuiltInstrument>();
                built->instrument = std::make_unique<SoundFontPiano>(soundFont, sampleRate, released.get());
            }
        } catch (const std::exception& error) {
            built->instrument.reset();
            built->failure = error.what();
        }
        return built;
    };
    runDetached(this, std::move(build),
                [this](std::shared_ptr<BuiltInstrument> built) { adoptBuiltInPiano(std::move(built)); });
}

void PianoAudioEngine::adoptBuiltInPiano(std::shared_ptr<BuiltInstrument> built)
{
    if (LV2UserInterface::insideEditorCall()) {
        QTimer::singleShot(editorRetryInterval, this,
                           [this, built = std::move(built)]() mutable { adoptBuiltInPiano(std::move(built)); });
        return;
    }
    // An instrument selected meanwhile has taken the stand-in's place and stays.
    if (!heldControllers_) return;
    if (!built->instrument) {
        heldControllers_.reset();
        setInstrumentError("Não foi possível carregar " + selectedInstrument_.name + ": " + built->failure);
        return;
    }
    // The output opened at another rate while the piano loaded.
    if (stream_->isOpen() && stream_->sampleRate() != built->instrument->sampleRate()) {
        const double sampleRate = stream_->sampleRate();
        loadBuiltInPiano({}, sampleRate, std::move(built));
        return;
    }
    const auto held = std::move(heldControllers_);
    swapInstrument(AudioInstrumentDescriptor::bundledPiano(), std::move(built->instrument), nullptr);
    // Behind the swap in the queue, so they reach the piano.
    for (const auto& command : held->commands()) submit(RenderCommand{command});
}

void PianoAudioEngine::swapInstrument(const AudioInstrumentDescriptor& descriptor,
                                      std::unique_ptr<RenderInstrument> instrument, LV2Instrument* plugin)
{
    // Whatever takes the stand-in's place ends the wait for the starting piano.
    heldControllers_.reset();
    auto outgoing = std::move(activeInstrument_);
    activeInstrument_ = std::move(instrument);
    activePlugin_ = plugin;
    setSelectedInstrument(descriptor);
    if (stream_->isRunning()) {
        // The audio thread lets go of the outgoing instrument at its next
        // cycle; it is freed here once that is acknowledged.
        const auto generation = ++swapGeneration_;
        const RenderCommand swap{RenderCommand::SwapInstrument{activeInstrument_.get(), generation}};
        // A newer swap supersedes one still waiting; one the queue refuses waits instead.
        stalledSwap_.reset();
        if (!core_->enqueue(swap)) stalledSwap_ = swap;
        retiredInstruments_.emplace_back(generation, std::move(outgoing));
        reclaimTimer_.start();
    } else {
        core_->applyPending();
        stalledSwap_.reset();
        core_->apply(RenderCommand{RenderCommand::SwapInstrument{activeInstrument_.get(), ++swapGeneration_}});
    }
}

void PianoAudioEngine::probeUserInterfaceAvailability(const LV2Instrument& plugin, const std::string& descriptorID)
{
    // Answered later on the main thread, and only for the instrument still selected.
    const bool hasInterface = plugin.hasUserInterface();
    QPointer<PianoAudioEngine> guard(this);
    QMetaObject::invokeMethod(
        this,
        [guard, descriptorID, hasInterface] {
            if (guard && guard->selectedInstrument_.id == descriptorID)
                guard->setActiveInstrumentHasUserInterface(hasInterface);
        },
        Qt::QueuedConnection);
}

void PianoAudioEngine::persistActiveInstrumentState()
{
    if (selectedInstrument_.kind != AudioInstrumentDescriptor::Kind::audioUnit || !activePlugin_) return;
    if (const auto state = activePlugin_->saveState())
        defaults_.setData(instrumentStatePreferenceKeyPrefix + selectedInstrument_.id, *state);
}

void PianoAudioEngine::restoreState(const AudioInstrumentDescriptor& descriptor, LV2Instrument& plugin)
{
    if (descriptor.kind != AudioInstrumentDescriptor::Kind::audioUnit) return;
    // Unreadable or foreign bytes change nothing.
    if (const auto state = defaults_.dataValue(instrumentStatePreferenceKeyPrefix + descriptor.id))
        plugin.restoreState(*state);
}

void PianoAudioEngine::refreshAudioOutputs() { setAvailableAudioOutputs(stream_->devices()); }

void PianoAudioEngine::selectAudioOutput(const std::optional<std::string>& uid)
{
    // A new rate rebuilds the plugin's instance under its editor: not while
    // that editor's own code runs the event loop.
    if (LV2UserInterface::insideEditorCall()) {
        QTimer::singleShot(editorRetryInterval, this, [this, uid] { selectAudioOutput(uid); });
        return;
    }
    refreshAudioOutputs();
    // The list holds exactly the devices that can play, so a default output
    // exists whenever it is not empty: no second probe is needed.
    const bool found = uid ? std::ranges::any_of(availableAudioOutputs_, [&](const auto& d) { return d.uid == *uid; })
                           : !availableAudioOutputs_.empty();
    if (!found) {
        setSelectedOutputUID(uid);
        setOutputError(std::string(missingOutputMessage));
        return;
    }

    if (onWillReconfigure) onWillReconfigure();
    stopAllNotes();
    // An output lost meanwhile is not running, and not started again here.
    noticeLostOutput();
    const bool wasRunning = stream_->isRunning();
    stopStream();

    std::optional<std::string> failure;
    try {
        stream_->open(uid);
        streamOutputUID_ = uid;
    } catch (const AudioOutputOpenError& error) {
        failure = PianoAudioError(PianoAudioError::OutputDeviceSelectionFailed{error.status()}).what();
        // The device refused: the stream goes back to the one it played on.
        try {
            stream_->open(streamOutputUID_);
        } catch (const AudioOutputOpenError&) {
        }
    }
    if (!failure) {
        setSelectedOutputUID(uid);
        setOutputError(std::nullopt);
        if (uid) defaults_.setString(selectedOutputPreferenceKey, *uid);
        else defaults_.remove(selectedOutputPreferenceKey);
        if (!wasRunning) return;
        try {
            start();
            return;
        } catch (const std::exception& error) {
            failure = error.what();
        }
    }
    setOutputError(*failure);
    if (wasRunning) {
        try {
            start();
        } catch (const std::exception&) {
        }
    }
}

} // namespace corvane
