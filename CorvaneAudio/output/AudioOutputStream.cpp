#include "CorvaneAudio/output/AudioOutputStream.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>

#include <pthread.h>

#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/output/AudioPerformanceLog.hpp"
#include "CorvaneAudio/output/AudioRenderCore.hpp"
#include "CorvaneAudio/output/JackOutputClient.hpp"
#include "CorvaneAudio/output/RtAudioHost.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"

namespace corvane {

// What the callback found on its first run after a start.
struct AudioOutputStream::SchedulingProbe {
    std::atomic<bool> known = false;
    AudioThreadScheduling found; // written by the audio thread before `known`
    std::optional<AudioThreadScheduling> logged; // main thread
};

namespace {

constexpr unsigned preferredBufferFrames = 256;
constexpr unsigned preferredSampleRate = 48000;

unsigned chooseSampleRate(const RtAudio::DeviceInfo& info)
{
    // 48 kHz is the clicks' own rate; a device that cannot run at it (a JACK
    // server at another rate) gets its own rate.
    if (std::find(info.sampleRates.begin(), info.sampleRates.end(), preferredSampleRate) != info.sampleRates.end())
        return preferredSampleRate;
    if (info.preferredSampleRate > 0) return info.preferredSampleRate;
    if (!info.sampleRates.empty()) return info.sampleRates.back();
    return preferredSampleRate;
}

} // namespace

std::unique_ptr<AudioOutputStream> AudioOutputStream::make(AudioHostAPI api, AudioRenderCore& core,
                                                           std::string clientName)
{
    auto stream = make(api, std::move(clientName));
    if (stream) stream->attach(core);
    return stream;
}

std::unique_ptr<AudioOutputStream> AudioOutputStream::make(AudioHostAPI api, std::string clientName)
{
    auto audio = makeRtAudio(api);
    if (!audio) return nullptr;
    return std::unique_ptr<AudioOutputStream>(new AudioOutputStream(api, std::move(audio), std::move(clientName)));
}

AudioOutputStream::AudioOutputStream(AudioHostAPI api, std::unique_ptr<RtAudio> audio, std::string clientName)
    : api_(api), audio_(std::move(audio)), clientName_(std::move(clientName)),
      scheduling_(std::make_shared<SchedulingProbe>())
{
}

AudioOutputStream::~AudioOutputStream() { close(); }

std::vector<AudioDeviceProbe> AudioOutputStream::probe() { return probeDevices(*audio_); }

std::vector<AudioOutputDevice> AudioOutputStream::devices() { return AudioOutputDeviceCatalog::devices(api_, probe()); }

std::optional<std::uint32_t> AudioOutputStream::defaultDeviceID()
{
    return AudioOutputDeviceCatalog::defaultOutputDeviceID(probe());
}

void AudioOutputStream::open(const std::optional<std::string>& uid) { open(uid, probe()); }

void AudioOutputStream::open(const std::optional<std::string>& uid, const std::vector<AudioDeviceProbe>& probes)
{
    close();
    std::optional<std::uint32_t> id;
    if (uid) {
        for (const auto& device : AudioOutputDeviceCatalog::devices(api_, probes))
            if (device.uid == *uid) id = device.id;
    } else {
        id = AudioOutputDeviceCatalog::defaultOutputDeviceID(probes);
    }
    if (!id) throw AudioOutputOpenError(RtAudioError::INVALID_DEVICE, "device not found");
    const unsigned index = *id - 1;
    if (api_ == AudioHostAPI::jack) {
        const auto& device = probes[index];
        channels_ = std::min(device.outputChannels, 2u);
        jack_ = std::make_unique<JackOutputClient>(clientName_, device.name, channels_, &AudioOutputStream::render, this);
        sampleRate_ = jack_->sampleRate();
        return;
    }
    try {
        const auto info = audio_->getDeviceInfo(index);
        RtAudio::StreamParameters parameters;
        parameters.deviceId = index;
        parameters.nChannels = std::min(info.outputChannels, 2u);
        parameters.firstChannel = 0;
        RtAudio::StreamOptions options;
        options.flags = RTAUDIO_NONINTERLEAVED | RTAUDIO_SCHEDULE_REALTIME;
        options.priority = audioThreadPriority;
        options.streamName = clientName_;
        unsigned frames = preferredBufferFrames;
        const unsigned rate = chooseSampleRate(info);
        audio_->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, rate, &frames, &AudioOutputStream::callback, this,
                           &options, [](RtAudioError::Type, const std::string&) {});
        sampleRate_ = audio_->getStreamSampleRate();
        if (sampleRate_ <= 0) sampleRate_ = rate;
        channels_ = parameters.nChannels;
    } catch (const RtAudioError& error) {
        close();
        throw AudioOutputOpenError(static_cast<std::int32_t>(error.getType()), error.getMessage());
    }
}

void AudioOutputStream::close()
{
    jack_.reset();
    try {
        if (audio_->isStreamRunning()) audio_->stopStream();
        if (audio_->isStreamOpen()) audio_->closeStream();
    } catch (const RtAudioError&) {
    }
    channels_ = 0;
    started_ = false;
}

bool AudioOutputStream::isOpen() const { return jack_ ? jack_->isOpen() : audio_->isStreamOpen(); }

void AudioOutputStream::start()
{
    if (!isOpen()) throw AudioStartError("A saída de áudio não está aberta.");
    if (!core_) throw AudioStartError("A saída de áudio não tem o que tocar.");
    const bool starting = !isRunning();
    // No callback runs while the stream is stopped; the thread may be a new one after the start.
    if (starting) scheduling_->known.store(false, std::memory_order_relaxed);
    if (jack_) {
        if (starting) jack_->start();
    } else {
        try {
            if (starting) audio_->startStream();
        } catch (const RtAudioError& error) {
            throw AudioStartError("A saída de áudio não pôde ser iniciada (" + error.getMessage() + ").");
        }
        // With an error callback installed RtAudio reports a failed start there
        // instead of throwing; the stream then simply is not running.
        if (!audio_->isStreamRunning()) throw AudioStartError("A saída de áudio não pôde ser iniciada.");
    }
    started_ = true;
    if (starting) reportSchedulingWhenKnown(scheduling_, 40);
}

void AudioOutputStream::stop()
{
    started_ = false;
    if (jack_) {
        jack_->stop();
        return;
    }
    try {
        if (audio_->isStreamRunning()) audio_->stopStream();
    } catch (const RtAudioError&) {
    }
}

bool AudioOutputStream::isRunning() const { return jack_ ? jack_->isRunning() : audio_->isStreamRunning(); }

bool AudioOutputStream::closeIfLost()
{
    if (jack_) jack_->closeIfServerGone();
    if (!started_ || isRunning()) return false;
    close();
    return true;
}

// Logs the scheduling once the callback has run, and only when it differs
// from what was logged last: a stream started again and again logs once.
void AudioOutputStream::reportSchedulingWhenKnown(const std::shared_ptr<SchedulingProbe>& probe, int attemptsLeft)
{
    if (probe->known.load(std::memory_order_acquire)) {
        const AudioThreadScheduling found = probe->found;
        // A thread that kept its scheduling from the last start is not news,
        // whoever made it real-time.
        const auto same = [](const AudioThreadScheduling& a, const AudioThreadScheduling& b) {
            return a.realtime == b.realtime && a.policy == b.policy && a.priority == b.priority &&
                   a.refusal == b.refusal;
        };
        if (probe->logged && same(*probe->logged, found)) return;
        probe->logged = found;
        if (found.realtime)
            qCDebug(audioPerformanceLog, "%s", describe(found).c_str());
        else
            qCInfo(audioPerformanceLog, "%s", describe(found).c_str());
        return;
    }
    if (attemptsLeft <= 0 || !QCoreApplication::instance()) return;
    QTimer::singleShot(std::chrono::milliseconds(50),
                       [probe, attemptsLeft] { reportSchedulingWhenKnown(probe, attemptsLeft - 1); });
}

std::optional<AudioThreadScheduling> AudioOutputStream::scheduling() const
{
    if (!scheduling_->known.load(std::memory_order_acquire)) return std::nullopt;
    return scheduling_->found;
}

int AudioOutputStream::callback(void* output, void*, unsigned frames, double, unsigned, void* user)
{
    auto* self = static_cast<AudioOutputStream*>(user);
    auto* samples = static_cast<float*>(output);
    float* channels[2] = {samples, samples + frames};
    render(channels, self->channels_, frames, user);
    return 0;
}

void AudioOutputStream::render(float* const* channels, unsigned channelCount, std::uint32_t frames, void* user)
{
    auto* self = static_cast<AudioOutputStream*>(user);
    const std::uint64_t hostTime = hostTimeNow();
    // Once per start: JACK's thread is real-time only when its server is, and
    // RtAudio's own thread may have been refused; the request is made here too.
    if (auto& probe = *self->scheduling_; !probe.known.load(std::memory_order_relaxed)) {
        pthread_setname_np(pthread_self(), "brelmo-audio");
        probe.found = requestRealtimeScheduling();
        probe.known.store(true, std::memory_order_release);
    }
    self->core_->process(channels, channelCount, frames, hostTime);
}

} // namespace corvane
