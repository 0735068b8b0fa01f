#include "CorvaneAudio/instruments/LV2Instrument.hpp"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/port-props/port-props.h>
#include <lv2/state/state.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CorvaneAudio/instruments/LV2World.hpp"
#include "CorvaneAudio/PianoAudioError.hpp"
#include "CorvaneDomain/Overloaded.hpp"

namespace corvane {

namespace {

constexpr std::size_t eventBufferBytes = 32768;
constexpr const char* stateURI = "urn:brelmo:instrument-state";

bool isPort(const LilvPlugin* plugin, const LilvPort* port, const char* classURI)
{
    return lilv_port_is_a(plugin, port, LV2World::shared().node(classURI));
}

bool isMIDIInput(const LilvPlugin* plugin, const LilvPort* port)
{
    return isPort(plugin, port, LV2_CORE__InputPort) && isPort(plugin, port, LV2_ATOM__AtomPort) &&
           lilv_port_supports_event(plugin, port, LV2World::shared().node(LV2_MIDI__MidiEvent));
}

// With the world locked. A unit is named (units:hz, described by the units
// bundle) or described in place; either gives its symbol and rendering.
void describeUnit(const LilvPlugin* plugin, const LilvPort* port, LV2ParameterDescriptor& descriptor)
{
    auto& world = LV2World::shared();
    LilvNodes* units = lilv_port_get_value(plugin, port, world.node(LV2_UNITS__unit));
    if (!units) return;
    if (const LilvNode* unit = lilv_nodes_size(units) > 0 ? lilv_nodes_get(units, lilv_nodes_begin(units)) : nullptr) {
        const auto text = [&](const char* property) {
            std::string value;
            if (LilvNode* found = lilv_world_get(world.world(), unit, world.node(property), nullptr)) {
                if (lilv_node_is_string(found)) value = lilv_node_as_string(found);
                lilv_node_free(found);
            }
            return value;
        };
        descriptor.unitSymbol = text(LV2_UNITS__symbol);
        descriptor.unitFormat = text(LV2_UNITS__render);
    }
    lilv_nodes_free(units);
}

// With the world locked.
LV2ParameterDescriptor describeControl(const LilvPlugin* plugin, const LilvPort* port, std::uint32_t index,
                                       float minimum, float maximum, float defaultValue)
{
    auto& world = LV2World::shared();
    const auto has = [&](const char* property) { return lilv_port_has_property(plugin, port, world.node(property)); };
    LV2ParameterDescriptor descriptor{
        .port = index,
        .symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
        .name = {},
        .minimum = minimum,
        .maximum = maximum,
        .defaultValue = defaultValue,
        .isInteger = has(LV2_CORE__integer),
        .isToggled = has(LV2_CORE__toggled),
        .isEnumeration = has(LV2_CORE__enumeration),
        .scalePoints = {},
        .isLogarithmic = has(LV2_PORT_PROPS__logarithmic),
        .isNotOnGUI = has(LV2_PORT_PROPS__notOnGUI),
        .unitSymbol = {},
        .unitFormat = {},
    };
    if (LilvNode* name = lilv_port_get_name(plugin, port)) {
        descriptor.name = lilv_node_as_string(name);
        lilv_node_free(name);
    }
    if (descriptor.name.empty()) descriptor.name = descriptor.symbol;
    if (LilvScalePoints* points = lilv_port_get_scale_points(plugin, port)) {
        LILV_FOREACH (scale_points, i, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, i);
            const LilvNode* value = lilv_scale_point_get_value(point);
            if (!lilv_node_is_float(value) && !lilv_node_is_int(value)) continue;
            const float number = lilv_node_as_float(value);
            if (!std::isfinite(number)) continue;
            descriptor.scalePoints.push_back({lilv_node_as_string(lilv_scale_point_get_label(point)), number});
        }
        lilv_scale_points_free(points);
    }
    std::ranges::stable_sort(descriptor.scalePoints, {}, &LV2ScalePoint::value);
    describeUnit(plugin, port, descriptor);
    return descriptor;
}

// An atom sequence buffer, 8-byte aligned as LV2 requires.
struct EventBuffer {
    std::vector<std::uint64_t> storage = std::vector<std::uint64_t>(eventBufferBytes / sizeof(std::uint64_t));
    LV2_Atom_Sequence* sequence() { return reinterpret_cast<LV2_Atom_Sequence*>(storage.data()); }
};

} // namespace

struct LV2Instrument::Buffers {
    enum class Kind { audioIn, audioOut, control, cv, eventIn, midiIn, eventOut, other };
    std::vector<Kind> kinds;
    std::vector<float> controls;                  // one per port; only control ports' entries are used
    std::vector<std::vector<float>> signals;      // audio and CV buffers, one per port (empty for others)
    std::vector<std::unique_ptr<EventBuffer>> events; // atom buffers, one per port (null for others)
    std::vector<std::uint32_t> audioOutputs;      // port indices, in port order
    std::uint32_t midiPort = 0;
    std::vector<float> savedValues;               // parameter values lilv reads while saving

    LV2_URID atomSequence = 0, atomChunk = 0, atomFloat = 0, atomInt = 0, midiEvent = 0;
    float sampleRate = 0;
    std::int32_t minBlock = 1, maxBlock = static_cast<std::int32_t>(maxRenderFrames);
    std::vector<LV2_Options_Option> options;
    LV2_Feature mapFeature{}, unmapFeature{}, optionsFeature{}, boundedFeature{};
    std::vector<const LV2_Feature*> features;
    // Saving runs beside the audio thread, which alone may schedule work then.
    std::vector<const LV2_Feature*> saveFeatures;

    void buildFeatures(double rate, const LV2_Feature* worker)
    {
        auto& world = LV2World::shared();
        sampleRate = static_cast<float>(rate);
        options = {
            {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_BUF_SIZE__minBlockLength), sizeof(std::int32_t), atomInt, &minBlock},
            {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t), atomInt, &maxBlock},
            {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_PARAMETERS__sampleRate), sizeof(float), atomFloat, &sampleRate},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
        };
        mapFeature = {LV2_URID__map, world.mapFeature()};
        unmapFeature = {LV2_URID__unmap, world.unmapFeature()};
        optionsFeature = {LV2_OPTIONS__options, options.data()};
        boundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
        features = {&mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, worker, nullptr};
        saveFeatures = {&mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr};
    }
};

std::unique_ptr<LV2Instrument> LV2Instrument::instantiate(const AudioComponentDescription& description,
                                                          double sampleRate)
{
    auto& world = LV2World::shared();
    const auto lock = world.lock();
    const LilvPlugin* plugin = world.findPlugin(description);
    if (!plugin) throw InstrumentLoadError("O plug-in LV2 não está instalado.");
    if (!world.supportsRequiredFeatures(plugin))
        throw InstrumentLoadError("O plug-in LV2 precisa de recursos que este programa não oferece.");
    bool hasMIDIInput = false;
    bool hasAudioOutput = false;
    for (std::uint32_t index = 0; index < lilv_plugin_get_num_ports(plugin); ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        hasMIDIInput = hasMIDIInput || isMIDIInput(plugin, port);
        hasAudioOutput = hasAudioOutput ||
                         (isPort(plugin, port, LV2_CORE__OutputPort) && isPort(plugin, port, LV2_CORE__AudioPort));
    }
    if (!hasMIDIInput || !hasAudioOutput) throw PianoAudioError(PianoAudioError::ComponentIsNotMIDIInstrument{});
    return std::unique_ptr<LV2Instrument>(new LV2Instrument(plugin, sampleRate));
}

// Called with the world locked.
LV2Instrument::LV2Instrument(const LilvPlugin* plugin, double sampleRate)
    : plugin_(plugin), uri_(lilv_node_as_uri(lilv_plugin_get_uri(plugin))), buffers_(std::make_unique<Buffers>())
{
    userInterfaces_ = chooseLV2UserInterfaces(plugin);

    auto& world = LV2World::shared();
    auto& b = *buffers_;
    b.atomSequence = world.map(LV2_ATOM__Sequence);
    b.atomChunk = world.map(LV2_ATOM__Chunk);
    b.atomFloat = world.map(LV2_ATOM__Float);
    b.atomInt = world.map(LV2_ATOM__Int);
    b.midiEvent = world.map(LV2_MIDI__MidiEvent);

    const std::uint32_t portCount = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimum(portCount), maximum(portCount), defaults(portCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    b.kinds.resize(portCount, Buffers::Kind::other);
    b.controls.resize(portCount, 0.0f);
    b.signals.resize(portCount);
    b.events.resize(portCount);
    bool midiConnected = false;
    for (std::uint32_t index = 0; index < portCount; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool input = isPort(plugin, port, LV2_CORE__InputPort);
        portSymbols_.emplace_back(lilv_node_as_string(lilv_port_get_symbol(plugin, port)));
        auto& kind = b.kinds[index];
        if (isPort(plugin, port, LV2_CORE__AudioPort)) {
            kind = input ? Buffers::Kind::audioIn : Buffers::Kind::audioOut;
            b.signals[index].assign(maxRenderFrames, 0.0f);
            if (!input) b.audioOutputs.push_back(index);
        } else if (isPort(plugin, port, LV2_CORE__CVPort)) {
            kind = Buffers::Kind::cv;
            b.signals[index].assign(maxRenderFrames, 0.0f);
        } else if (isPort(plugin, port, LV2_ATOM__AtomPort)) {
            b.events[index] = std::make_unique<EventBuffer>();
            if (input && !midiConnected && isMIDIInput(plugin, port)) {
                kind = Buffers::Kind::midiIn;
                b.midiPort = index;
                midiConnected = true;
            } else {
                kind = input ? Buffers::Kind::eventIn : Buffers::Kind::eventOut;
            }
        } else if (isPort(plugin, port, LV2_CORE__ControlPort)) {
            kind = Buffers::Kind::control;
            const float low = minimum[index], high = maximum[index], fallback = defaults[index];
            b.controls[index] = !std::isnan(fallback) ? fallback : !std::isnan(low) ? low : 0.0f;
            if (input) {
                parameters_.push_back(Parameter{
                    index, lilv_node_as_string(lilv_port_get_symbol(plugin, port)), low, high,
                    std::make_unique<std::atomic<float>>(b.controls[index])});
                descriptors_.push_back(describeControl(plugin, port, index, low, high, b.controls[index]));
            }
        }
    }
    b.savedValues.resize(parameters_.size());
    createInstance(sampleRate);
}

LV2Instrument::~LV2Instrument()
{
    const auto lock = LV2World::shared().lock();
    destroyInstance();
}

void LV2Instrument::createInstance(double sampleRate)
{
    worker_ = std::make_unique<LV2Worker>();
    buffers_->buildFeatures(sampleRate, worker_->feature());
    instance_ = lilv_plugin_instantiate(plugin_, sampleRate, buffers_->features.data());
    if (!instance_) {
        worker_.reset();
        throw InstrumentLoadError("O plug-in LV2 não pôde ser iniciado.");
    }
    worker_->start(lilv_instance_get_handle(instance_), static_cast<const LV2_Worker_Interface*>(
                                                            lilv_instance_get_extension_data(instance_, LV2_WORKER__interface)));
    sampleRate_ = sampleRate;
    connectPorts();
    resetEventBuffers();
    lilv_instance_activate(instance_);
}

void LV2Instrument::destroyInstance()
{
    if (!instance_) return;
    // No work may run on a plugin being freed.
    worker_->stop();
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
    instance_ = nullptr;
    worker_.reset();
}

std::optional<LV2UserInterfaceChoice> LV2Instrument::userInterface() const
{
    if (userInterfaces_.empty()) return std::nullopt;
    return userInterfaces_.front();
}

LV2_Handle LV2Instrument::instanceHandle() const { return instance_ ? lilv_instance_get_handle(instance_) : nullptr; }

LV2Instrument::ExtensionData LV2Instrument::extensionData() const
{
    return instance_ ? lilv_instance_get_descriptor(instance_)->extension_data : nullptr;
}

int LV2Instrument::addInstanceListener(InstanceListener listener)
{
    instanceListeners_.emplace(++nextListener_, std::move(listener));
    return nextListener_;
}

void LV2Instrument::removeInstanceListener(int token) { instanceListeners_.erase(token); }

void LV2Instrument::connectPorts()
{
    auto& b = *buffers_;
    for (std::uint32_t index = 0; index < b.kinds.size(); ++index) {
        void* location = nullptr;
        if (!b.signals[index].empty()) location = b.signals[index].data();
        else if (b.events[index]) location = b.events[index]->sequence();
        else location = &b.controls[index];
        lilv_instance_connect_port(instance_, index, location);
    }
}

void LV2Instrument::resetEventBuffers()
{
    auto& b = *buffers_;
    for (std::uint32_t index = 0; index < b.kinds.size(); ++index) {
        if (!b.events[index]) continue;
        LV2_Atom_Sequence* sequence = b.events[index]->sequence();
        if (b.kinds[index] == Buffers::Kind::eventOut) {
            // Outputs get their whole capacity to write into.
            sequence->atom.type = b.atomChunk;
            sequence->atom.size = eventBufferBytes - sizeof(LV2_Atom);
        } else {
            sequence->atom.type = b.atomSequence;
            sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
            sequence->body.unit = 0;
            sequence->body.pad = 0;
        }
    }
}

std::vector<std::string> LV2Instrument::parameterSymbols() const
{
    std::vector<std::string> symbols;
    for (const auto& parameter : parameters_) symbols.push_back(parameter.symbol);
    return symbols;
}

std::optional<float> LV2Instrument::parameterValue(std::string_view symbol) const
{
    for (const auto& parameter : parameters_)
        if (parameter.symbol == symbol) return parameter.target->load(std::memory_order_relaxed);
    return std::nullopt;
}

bool LV2Instrument::setParameterValue(std::string_view symbol, float value)
{
    for (auto& parameter : parameters_)
        if (parameter.symbol == symbol) return store(parameter, value);
    return false;
}

std::optional<float> LV2Instrument::parameterValueAt(std::uint32_t port) const
{
    for (const auto& parameter : parameters_)
        if (parameter.port == port) return parameter.target->load(std::memory_order_relaxed);
    return std::nullopt;
}

bool LV2Instrument::setParameterValueAt(std::uint32_t port, float value)
{
    for (auto& parameter : parameters_)
        if (parameter.port == port) return store(parameter, value);
    return false;
}

bool LV2Instrument::store(Parameter& parameter, float value)
{
    // std::max and std::min hand a NaN straight through: it is refused first.
    if (!std::isfinite(value)) return false;
    if (!std::isnan(parameter.minimum)) value = std::max(value, parameter.minimum);
    if (!std::isnan(parameter.maximum)) value = std::min(value, parameter.maximum);
    parameter.target->store(value, std::memory_order_relaxed);
    return true;
}

std::optional<std::uint32_t> LV2Instrument::portIndex(std::string_view symbol) const
{
    for (std::uint32_t index = 0; index < portSymbols_.size(); ++index)
        if (portSymbols_[index] == symbol) return index;
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> LV2Instrument::saveState()
{
    auto& world = LV2World::shared();
    const auto lock = world.lock();
    auto& b = *buffers_;
    for (std::size_t i = 0; i < parameters_.size(); ++i)
        b.savedValues[i] = parameters_[i].target->load(std::memory_order_relaxed);
    const LilvGetPortValueFunc getValue = [](const char* symbol, void* user, std::uint32_t* size,
                                             std::uint32_t* type) -> const void* {
        auto* self = static_cast<LV2Instrument*>(user);
        for (std::size_t i = 0; i < self->parameters_.size(); ++i) {
            if (self->parameters_[i].symbol != symbol) continue;
            *size = sizeof(float);
            *type = self->buffers_->atomFloat;
            return &self->buffers_->savedValues[i];
        }
        *size = 0;
        *type = 0;
        return nullptr;
    };
    LilvState* state = lilv_state_new_from_instance(plugin_, instance_, world.mapFeature(), nullptr, nullptr, nullptr,
                                                    nullptr, getValue, this,
                                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, b.saveFeatures.data());
    if (!state) return std::nullopt;
    char* text = lilv_state_to_string(world.world(), world.mapFeature(), world.unmapFeature(), state, stateURI, nullptr);
    lilv_state_free(state);
    if (!text) return std::nullopt;
    std::vector<std::uint8_t> bytes(text, text + std::strlen(text));
    lilv_free(text);
    return bytes;
}

bool LV2Instrument::restoreState(const std::vector<std::uint8_t>& bytes)
{
    auto& world = LV2World::shared();
    const auto lock = world.lock();
    const std::string text(bytes.begin(), bytes.end());
    if (text.empty() || text.find('\0') != std::string::npos) return false;
    LilvState* state = lilv_state_new_from_string(world.world(), world.mapFeature(), text.c_str());
    if (!state) return false;
    const LilvNode* stateURI = lilv_state_get_plugin_uri(state);
    if (!stateURI || !lilv_node_equals(stateURI, lilv_plugin_get_uri(plugin_))) {
        lilv_state_free(state);
        return false;
    }
    const LilvSetPortValueFunc setValue = [](const char* symbol, void* user, const void* value, std::uint32_t size,
                                             std::uint32_t type) {
        auto* self = static_cast<LV2Instrument*>(user);
        if (type != self->buffers_->atomFloat || size != sizeof(float)) return;
        float number;
        std::memcpy(&number, value, sizeof number);
        for (auto& parameter : self->parameters_) {
            // A stored state is outside data: it is held to the bounds like any other write.
            if (parameter.symbol != symbol || !store(parameter, number)) continue;
            self->buffers_->controls[parameter.port] = parameter.target->load(std::memory_order_relaxed);
        }
    };
    lilv_state_restore(state, instance_, setValue, this, 0, buffers_->features.data());
    lilv_state_free(state);
    return true;
}

void LV2Instrument::prepare(double sampleRate)
{
    if (sampleRate == sampleRate_) return;
    // A plugin's rate is fixed at instantiation: carry its state across a new instance.
    const auto state = saveState();
    // A copy: a listener may stop listening while it is told.
    const auto listeners = instanceListeners_;
    for (const auto& [token, listener] : listeners) listener(false);
    {
        const auto lock = LV2World::shared().lock();
        destroyInstance();
        createInstance(sampleRate);
    }
    if (state) restoreState(*state);
    for (const auto& [token, listener] : listeners)
        if (instanceListeners_.contains(token)) listener(true);
}

void LV2Instrument::handle(const MIDIInstrumentCommand& command)
{
    std::uint8_t bytes[3] = {0, 0, 0};
    std::uint32_t length = 3;
    std::visit(Overloaded{
                   [&](const MIDIInstrumentCommand::NoteOn& on) {
                       bytes[0] = 0x90 | on.channel, bytes[1] = on.note & 0x7F, bytes[2] = on.velocity & 0x7F;
                   },
                   [&](const MIDIInstrumentCommand::NoteOff& off) {
                       bytes[0] = 0x80 | off.channel, bytes[1] = off.note & 0x7F, bytes[2] = 0;
                   },
                   [&](const MIDIInstrumentCommand::ControlChange& change) {
                       bytes[0] = 0xB0 | change.channel, bytes[1] = change.controller & 0x7F,
                       bytes[2] = change.value & 0x7F;
                   },
                   [&](const MIDIInstrumentCommand::ProgramChange& program) {
                       bytes[0] = 0xC0 | program.channel, bytes[1] = program.program & 0x7F, length = 2;
                   },
                   [&](const MIDIInstrumentCommand::PitchBend& bend) {
                       const auto value = std::min<std::uint16_t>(bend.value, 16383);
                       bytes[0] = 0xE0 | bend.channel, bytes[1] = value & 0x7F, bytes[2] = (value >> 7) & 0x7F;
                   },
                   [&](const MIDIInstrumentCommand::AllNotesOff&) { length = 0; },
               },
               command.value);
    if (length == 0 || !instance_) return;
    struct {
        LV2_Atom_Event header;
        std::uint8_t data[8];
    } event{};
    event.header.time.frames = 0;
    event.header.body.type = buffers_->midiEvent;
    event.header.body.size = length;
    std::memcpy(event.data, bytes, length);
    // A full buffer drops the message rather than allocate on the audio thread.
    lv2_atom_sequence_append_event(buffers_->events[buffers_->midiPort]->sequence(),
                                   eventBufferBytes - sizeof(LV2_Atom), &event.header);
}

void LV2Instrument::render(float* left, float* right, std::uint32_t frames)
{
    auto& b = *buffers_;
    if (!instance_) {
        // Only after a failed rebuild for a new rate: silence, never a crash.
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return;
    }
    for (const auto& parameter : parameters_) b.controls[parameter.port] = parameter.target->load(std::memory_order_relaxed);
    lilv_instance_run(instance_, frames);
    worker_->deliverResponses();
    const float* first = b.signals[b.audioOutputs[0]].data();
    const float* second = b.audioOutputs.size() > 1 ? b.signals[b.audioOutputs[1]].data() : first;
    std::memcpy(left, first, frames * sizeof(float));
    std::memcpy(right, second, frames * sizeof(float));
    resetEventBuffers();
}

} // namespace corvane
