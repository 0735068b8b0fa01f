#pragma once

#include <lv2/core/lv2.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CorvaneAudio/instruments/AudioComponentDescription.hpp"
#include "CorvaneAudio/instruments/LV2ParameterDescriptor.hpp"
#include "CorvaneAudio/instruments/LV2UserInterface.hpp"
#include "CorvaneAudio/instruments/LV2Worker.hpp"
#include "CorvaneAudio/instruments/RenderInstrument.hpp"

typedef struct LilvPluginImpl LilvPlugin;
typedef struct LilvInstanceImpl LilvInstance;

namespace corvane {

// A hosted LV2 instrument plugin: MIDI in through its atom event port, sound
// out of its first two audio outputs. Its parameters are its input control
// ports; its state is the plugin's own saved state plus those values, kept
// as text.
class LV2Instrument final : public RenderInstrument {
public:
    // Throws PianoAudioError (componentIsNotMIDIInstrument) for a plugin
    // without MIDI input, InstrumentLoadError when it cannot be loaded.
    // Safe on a worker thread.
    static std::unique_ptr<LV2Instrument> instantiate(const AudioComponentDescription& description, double sampleRate);
    ~LV2Instrument() override;
    LV2Instrument(const LV2Instrument&) = delete;
    LV2Instrument& operator=(const LV2Instrument&) = delete;

    const std::string& pluginURI() const { return uri_; }
    // Whether the plugin ships an editor this host can embed (see
    // chooseLV2UserInterfaces), the preferred one, and all in order of preference.
    bool hasUserInterface() const { return !userInterfaces_.empty(); }
    std::optional<LV2UserInterfaceChoice> userInterface() const;
    const std::vector<LV2UserInterfaceChoice>& userInterfaces() const { return userInterfaces_; }

    // The running instance, for an editor that reaches into the plugin
    // (instance and data access). Both change when the instance is rebuilt.
    LV2_Handle instanceHandle() const;
    using ExtensionData = const void* (*)(const char* uri);
    ExtensionData extensionData() const;
    // Told on the main thread around a rebuild of the instance (a new sample
    // rate): with false before the old one is freed, with true once the new
    // one runs. Whatever holds the instance lets go and takes it anew.
    using InstanceListener = std::function<void(bool rebuilt)>;
    int addInstanceListener(InstanceListener listener);
    void removeInstanceListener(int token);

    // The input control ports, in port order.
    const std::vector<LV2ParameterDescriptor>& parameterDescriptors() const { return descriptors_; }
    // Any port's index by its symbol.
    std::optional<std::uint32_t> portIndex(std::string_view symbol) const;

    // Main thread; safe while the instrument renders. A value is held to the
    // port's bounds; one that is not finite, or a port that is no input
    // control, is refused (false, nothing written).
    std::vector<std::string> parameterSymbols() const;
    std::optional<float> parameterValue(std::string_view symbol) const;
    bool setParameterValue(std::string_view symbol, float value);
    std::optional<float> parameterValueAt(std::uint32_t port) const;
    bool setParameterValueAt(std::uint32_t port, float value);

    // Main thread; safe while the instrument renders. Absent when the plugin
    // state cannot be captured.
    std::optional<std::vector<std::uint8_t>> saveState();
    // Main thread, only while the instrument does not render. False (and
    // nothing changed) for bytes that are no state of this plugin.
    bool restoreState(const std::vector<std::uint8_t>& bytes);

    void prepare(double sampleRate) override;
    double sampleRate() const override { return sampleRate_; }
    void handle(const MIDIInstrumentCommand& command) override;
    void render(float* left, float* right, std::uint32_t frames) override;

private:
    struct Parameter {
        std::uint32_t port;
        std::string symbol;
        float minimum, maximum;
        std::unique_ptr<std::atomic<float>> target; // written by the main thread
    };
    struct Buffers;

    LV2Instrument(const LilvPlugin* plugin, double sampleRate);
    void createInstance(double sampleRate);
    void destroyInstance();
    void connectPorts();
    void resetEventBuffers();
    static bool store(Parameter& parameter, float value);

    const LilvPlugin* plugin_;
    std::string uri_;
    std::vector<LV2UserInterfaceChoice> userInterfaces_;
    std::map<int, InstanceListener> instanceListeners_;
    int nextListener_ = 0;
    std::vector<LV2ParameterDescriptor> descriptors_; // one per entry of parameters_
    std::vector<std::string> portSymbols_;
    double sampleRate_ = 0;
    LilvInstance* instance_ = nullptr;
    std::vector<Parameter> parameters_;
    std::unique_ptr<Buffers> buffers_;
    // Made anew with each instance, stopped before it is freed.
    std::unique_ptr<LV2Worker> worker_;
};

} // namespace corvane
