#include "CorvaneAudio/engine/PianoAudioEngine.hpp"

#include <algorithm>

#include "CorvaneAudio/engine/HeldControllers.hpp"
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/JackClientRegistry.hpp"
#include "CorvaneAudio/instruments/BundledPiano.hpp"
#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/output/AudioOutputStream.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"

namespace corvane {

namespace {

// A value equal to the one held notifies nobody.
template <class T>
void assignAndNotify(PianoAudioEngine& engine, T& property, T value, void (PianoAudioEngine::*changed)())
{
    if (value == property) return;
    property = std::move(value);
    emit (engine.*changed)();
}

// Plays while the built-in piano loads: silence, at whatever rate it is asked.
class LoadingPianoStandIn final : public RenderInstrument {
public:
    void prepare(double sampleRate) override { sampleRate_ = sampleRate; }
    double sampleRate() const override { return sampleRate_; }
    void handle(const MIDIInstrumentCommand&) override {}
    void render(float* left, float* right, std::uint32_t frames) override
    {
        std::fill_n(left, frames, 0.0f);
        std::fill_n(right, frames, 0.0f);
    }

private:
    double sampleRate_ = CountInClicks::sampleRate;
};

} // namespace

PianoAudioEngine::PianoAudioEngine(DefaultsStore& defaults, QObject* parent)
    : PianoAudioEngine(defaults, PreparedAudioOutput::prepare(std::nullopt, std::nullopt, false),
                       &BundledPiano::defaultSoundFontURL, parent)
{
}

PianoAudioEngine::PianoAudioEngine(DefaultsStore& defaults, AudioHostAPI api, QObject* parent)
    : PianoAudioEngine(defaults, api, &BundledPiano::defaultSoundFontURL, parent)
{
}

PianoAudioEngine::PianoAudioEngine(DefaultsStore& defaults, AudioHostAPI api, SoundFontLocator locateSoundFont,
                                   QObject* parent)
    : PianoAudioEngine(defaults, PreparedAudioOutput::prepare(api, std::nullopt, false), std::move(locateSoundFont),
                       parent)
{
}

PianoAudioEngine::PianoAudioEngine(DefaultsStore& defaults, PreparedAudioOutput output,
                                   SoundFontLocator locateSoundFont, QObject* parent)
    : QObject(parent), defaults_(defaults), locateSoundFont_(std::move(locateSoundFont))
{
    if (!locateSoundFont_) locateSoundFont_ = &BundledPiano::defaultSoundFontURL;
    if (!output.stream) throw PianoAudioError(PianoAudioError::OutputUnitUnavailable{});
    const auto soundFont = locateSoundFont_();
    if (!soundFont) throw PianoAudioError(PianoAudioError::SoundFontMissing{});
    activeInstrument_ = std::make_unique<LoadingPianoStandIn>();
    clicks_ = CountInClicks::make();
    core_ = std::make_unique<AudioRenderCore>(activeInstrument_.get(), clicks_);
    stream_ = std::move(output.stream);
    stream_->attach(*core_);
    api_ = stream_->api();
    streamOutputUID_ = output.openedUID;
    // Listed moments ago, for the stream that is open now: the first restore needs no listing of its own.
    if (stream_->isOpen()) preparedOutputs_ = std::move(output.devices);

    reclaimTimer_.setInterval(20);
    connect(&reclaimTimer_, &QTimer::timeout, this, [this] { reclaimRetiredInstruments(); });
    // Heard on libjack's thread; looked into on ours.
    serverDeathListener_ = JackClientRegistry::listen(
        [this] { QMetaObject::invokeMethod(this, [this] { noticeLostOutput(); }, Qt::QueuedConnection); });

    heldControllers_ = std::make_unique<HeldControllers>();
    loadBuiltInPiano(*soundFont, CountInClicks::sampleRate);
}

PianoAudioEngine::~PianoAudioEngine()
{
    JackClientRegistry::stopListening(serverDeathListener_);
    released_->store(true);
    // The stream goes first: nothing may render into instruments being freed.
    stream_.reset();
    retiredInstruments_.clear();
}

bool PianoAudioEngine::isRunning() const { return stream_->isRunning(); }

void PianoAudioEngine::start()
{
    noticeLostOutput();
    if (stream_->isRunning()) return;
    if (!stream_->isOpen()) {
        try {
            stream_->open(streamOutputUID_);
        } catch (const AudioOutputOpenError& error) {
            throw AudioStartError("A saída de áudio não pôde ser aberta (" + std::string(error.what()) + ").");
        }
    }
    // Nothing renders now: the instruments and the core can be adjusted in place.
    try {
        activeInstrument_->prepare(stream_->sampleRate());
    } catch (const std::exception& error) {
        throw AudioStartError(error.what());
    }
    core_->setSampleRate(stream_->sampleRate());
    core_->resetClock();
    stream_->start();
}

void PianoAudioEngine::noticeLostOutput()
{
    if (!stream_->closeIfLost()) return;
    // No callback runs any more: what it left queued is applied here.
    core_->applyPending();
    core_->applyScheduledNow();
    reclaimRetiredInstruments();
    emit outputLost();
}

void PianoAudioEngine::stopStream()
{
    stream_->stop();
    // Whatever the callback left in the queue is applied here, in order.
    core_->applyPending();
    core_->applyScheduledNow();
    reclaimRetiredInstruments();
}

void PianoAudioEngine::stop()
{
    persistActiveInstrumentState();
    submit(RenderCommand{RenderCommand::StopClick{}});
    stopStream();
}

void PianoAudioEngine::submit(const RenderCommand& command)
{
    if (stream_->isRunning()) {
        // Dropped only when the audio thread has stopped draining (a dead
        // server): waiting for it would hang the main thread.
        core_->enqueue(command);
    } else {
        applyStalledCommands();
        core_->apply(command);
    }
}

void PianoAudioEngine::applyStalledCommands()
{
    core_->applyPending();
    core_->applyScheduledNow();
    if (stalledSwap_) core_->apply(*stalledSwap_);
    stalledSwap_.reset();
}

void PianoAudioEngine::send(const MIDIInstrumentCommand& command)
{
    if (heldControllers_) heldControllers_->remember(command);
    submit(RenderCommand{command});
}

void PianoAudioEngine::noteOn(std::uint8_t note, std::uint8_t velocity, std::uint8_t channel)
{
    send(MIDIInstrumentCommand::noteOn(note, velocity, channel));
}

void PianoAudioEngine::noteOff(std::uint8_t note, std::uint8_t channel)
{
    send(MIDIInstrumentCommand::noteOff(note, channel));
}

void PianoAudioEngine::sendController(std::uint8_t controller, std::uint8_t value, std::uint8_t channel)
{
    send(MIDIInstrumentCommand::controlChange(controller, value, channel));
}

void PianoAudioEngine::sendProgramChange(std::uint8_t program, std::uint8_t channel)
{
    send(MIDIInstrumentCommand::programChange(program, channel));
}

void PianoAudioEngine::sendPitchBend(std::uint16_t value, std::uint8_t channel)
{
    send(MIDIInstrumentCommand::pitchBend(value, channel));
}

void PianoAudioEngine::stopAllNotes() { send(MIDIInstrumentCommand::allNotesOff()); }

void PianoAudioEngine::playCountInClick(bool accented)
{
    start();
    submit(RenderCommand{RenderCommand::Click{accented}});
}

std::optional<AudioRenderClockInstant> PianoAudioEngine::currentRenderClockInstant() const
{
    if (!stream_->isRunning()) return std::nullopt;
    const double rate = core_->sampleRate();
    AudioRenderClockInstant instant{0, std::max(rate, 1.0), hostTimeNow()}; // no render cycle yet: now
    if (const auto reading = core_->clock().read()) instant = {reading->sampleTime, rate, reading->hostTime};
    // The first cycle's start can lie before a "now" handed out just before
    // it: the clock given out never goes back.
    if (instant.hostTime) {
        instant.hostTime = std::max(*instant.hostTime, lastClockHostTime_);
        lastClockHostTime_ = *instant.hostTime;
    }
    return instant;
}

void PianoAudioEngine::reclaimRetiredInstruments()
{
    const bool running = stream_ && stream_->isRunning();
    // A stream that stopped by itself may leave swaps queued; applied first,
    // the core no longer points at an instrument about to be freed.
    if (!running) applyStalledCommands();
    else if (stalledSwap_ && core_->enqueue(*stalledSwap_)) stalledSwap_.reset();
    const auto acknowledged = core_->acknowledgedSwap();
    std::erase_if(retiredInstruments_, [&](const auto& retired) { return !running || retired.first <= acknowledged; });
    if (retiredInstruments_.empty()) reclaimTimer_.stop();
}

// Observable properties.

void PianoAudioEngine::setAvailableInstruments(std::vector<AudioInstrumentDescriptor> value)
{
    assignAndNotify(*this, availableInstruments_, std::move(value), &PianoAudioEngine::availableInstrumentsChanged);
}

void PianoAudioEngine::setSelectedInstrument(AudioInstrumentDescriptor value)
{
    assignAndNotify(*this, selectedInstrument_, std::move(value), &PianoAudioEngine::selectedInstrumentChanged);
}

void PianoAudioEngine::setLoadingInstrumentID(std::optional<std::string> value)
{
    assignAndNotify(*this, loadingInstrumentID_, std::move(value), &PianoAudioEngine::loadingInstrumentIDChanged);
}

void PianoAudioEngine::setIsRefreshingInstruments(bool value)
{
    assignAndNotify(*this, isRefreshingInstruments_, value, &PianoAudioEngine::isRefreshingInstrumentsChanged);
}

void PianoAudioEngine::setInstrumentError(std::optional<std::string> value)
{
    assignAndNotify(*this, instrumentError_, std::move(value), &PianoAudioEngine::instrumentErrorChanged);
}

void PianoAudioEngine::setAvailableAudioOutputs(std::vector<AudioOutputDevice> value)
{
    assignAndNotify(*this, availableAudioOutputs_, std::move(value), &PianoAudioEngine::availableAudioOutputsChanged);
}

void PianoAudioEngine::setSelectedOutputUID(std::optional<std::string> value)
{
    assignAndNotify(*this, selectedOutputUID_, std::move(value), &PianoAudioEngine::selectedOutputUIDChanged);
}

void PianoAudioEngine::setActiveInstrumentHasUserInterface(bool value)
{
    assignAndNotify(*this, activeInstrumentHasUserInterface_, value,
                    &PianoAudioEngine::activeInstrumentHasUserInterfaceChanged);
}

void PianoAudioEngine::setOutputError(std::optional<std::string> value)
{
    assignAndNotify(*this, outputError_, std::move(value), &PianoAudioEngine::outputErrorChanged);
}

} // namespace corvane
