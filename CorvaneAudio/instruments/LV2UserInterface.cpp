#include "CorvaneAudio/instruments/LV2UserInterface.hpp"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <suil/suil.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "CorvaneAudio/instruments/LV2Instrument.hpp"
#include "CorvaneAudio/instruments/LV2World.hpp"

namespace corvane {

namespace {

// What `open` hands every editor; suil adds the port map itself.
constexpr std::array givenFeatures{
    LV2_UI__parent, LV2_UI__resize,   LV2_UI__idleInterface, LV2_UI__portMap,
    LV2_URID__map,  LV2_URID__unmap,  LV2_OPTIONS__options,
};

bool givesFeature(std::string_view uri)
{
    for (const char* given : givenFeatures)
        if (uri == given) return true;
    return false;
}

std::string pathOf(const LilvNode* fileURI)
{
    if (!fileURI) return {};
    char* path = lilv_file_uri_parse(lilv_node_as_uri(fileURI), nullptr);
    if (!path) return {};
    std::string result = path;
    lilv_free(path);
    return result;
}

} // namespace

std::optional<LV2UserInterfaceChoice> chooseLV2UserInterface(const LilvPlugin* plugin)
{
    auto& world = LV2World::shared();
    std::optional<LV2UserInterfaceChoice> choice;
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* ui = lilv_uis_get(uis, i);
        const LilvNode* type = nullptr;
        if (!lilv_ui_is_supported(ui, suil_ui_supported, world.node(LV2_UI__X11UI), &type) || !type) continue;
        // The editor's own description (its features) is in a file of its own.
        lilv_world_load_resource(world.world(), lilv_ui_get_uri(ui));
        LilvNodes* required =
            lilv_world_find_nodes(world.world(), lilv_ui_get_uri(ui), world.node(LV2_CORE__requiredFeature), nullptr);
        bool given = true;
        LILV_FOREACH (nodes, j, required) given = given && givesFeature(lilv_node_as_uri(lilv_nodes_get(required, j)));
        lilv_nodes_free(required);
        if (!given) continue;
        choice = LV2UserInterfaceChoice{
            .uri = lilv_node_as_uri(lilv_ui_get_uri(ui)),
            .typeURI = lilv_node_as_uri(type),
            .bundlePath = pathOf(lilv_ui_get_bundle_uri(ui)),
            .binaryPath = pathOf(lilv_ui_get_binary_uri(ui)),
        };
        // An editor whose library is not installed could never open.
        std::error_code error;
        if (choice->binaryPath.empty() || !std::filesystem::is_regular_file(choice->binaryPath, error)) {
            choice.reset();
            continue;
        }
        break;
    }
    lilv_uis_free(uis);
    return choice;
}

struct LV2UserInterface::State {
    LV2Instrument* plugin = nullptr;
    ResizeRequest onResize;
    SuilHost* host = nullptr;
    SuilInstance* instance = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    bool closed = false;
    std::uint64_t sent = 0;
    // What the editor was last told (or last wrote), one per parameter; NaN
    // makes the next tick send the plugin's value.
    std::vector<float> shown;

    float rate = 0;
    float refreshRate = updateRate;
    LV2UI_Resize resize{};
    std::vector<LV2_Options_Option> options;
    LV2_Feature parentFeature{}, resizeFeature{}, idleFeature{}, mapFeature{}, unmapFeature{}, optionsFeature{};
    std::vector<const LV2_Feature*> features;

    ~State()
    {
        // The editor before anything it was given.
        if (instance) suil_instance_free(instance);
        if (host) suil_host_free(host);
    }

    std::size_t parameterIndex(std::uint32_t port) const
    {
        const auto& descriptors = plugin->parameterDescriptors();
        for (std::size_t i = 0; i < descriptors.size(); ++i)
            if (descriptors[i].port == port) return i;
        return descriptors.size();
    }

    void sendChangedValues()
    {
        const auto& descriptors = plugin->parameterDescriptors();
        for (std::size_t i = 0; i < descriptors.size(); ++i) {
            const auto value = plugin->parameterValueAt(descriptors[i].port);
            if (!value || *value == shown[i]) continue;
            float number = *value;
            shown[i] = number;
            suil_instance_port_event(instance, descriptors[i].port, sizeof number, 0, &number);
            ++sent;
        }
    }

    static void write(SuilController controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
                      const void* buffer)
    {
        auto* self = static_cast<State*>(controller);
        // Only plain control values; atom or event messages are not listened to.
        if (protocol != 0 || size != sizeof(float) || !buffer) return;
        float value;
        std::memcpy(&value, buffer, sizeof value);
        const auto index = self->parameterIndex(port);
        if (index == self->shown.size()) return; // an output or unknown port
        // A refused or clamped value goes back to the editor at the next tick.
        self->shown[index] = self->plugin->setParameterValueAt(port, value) ? value : NAN;
    }

    static std::uint32_t portIndex(SuilController controller, const char* symbol)
    {
        const auto index = static_cast<State*>(controller)->plugin->portIndex(symbol ? symbol : "");
        return index ? *index : LV2UI_INVALID_PORT_INDEX;
    }
};

LV2UserInterface::LV2UserInterface(std::unique_ptr<State> state) : state_(std::move(state)) {}

LV2UserInterface::~LV2UserInterface() = default;

std::unique_ptr<LV2UserInterface> LV2UserInterface::open(LV2Instrument& plugin, std::uintptr_t parentWindow,
                                                         ResizeRequest onResize)
{
    const auto& choice = plugin.userInterface();
    if (!choice || parentWindow == 0) return nullptr;
    auto& world = LV2World::shared();
    auto state = std::make_unique<State>();
    auto& s = *state;
    s.plugin = &plugin;
    s.onResize = std::move(onResize);
    s.shown.assign(plugin.parameterDescriptors().size(), NAN);
    s.rate = static_cast<float>(plugin.sampleRate());

    s.resize.handle = &s;
    s.resize.ui_resize = [](LV2UI_Feature_Handle handle, int width, int height) {
        auto* self = static_cast<State*>(handle);
        if (self->onResize) self->onResize(width, height);
        return 0;
    };
    const LV2_URID atomFloat = world.map(LV2_ATOM__Float);
    s.options = {
        {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_UI__updateRate), sizeof(float), atomFloat, &s.refreshRate},
        {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_PARAMETERS__sampleRate), sizeof(float), atomFloat, &s.rate},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    s.parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parentWindow)};
    s.resizeFeature = {LV2_UI__resize, &s.resize};
    s.idleFeature = {LV2_UI__idleInterface, nullptr};
    s.mapFeature = {LV2_URID__map, world.mapFeature()};
    s.unmapFeature = {LV2_URID__unmap, world.unmapFeature()};
    s.optionsFeature = {LV2_OPTIONS__options, s.options.data()};
    s.features = {&s.parentFeature, &s.mapFeature,     &s.unmapFeature, &s.optionsFeature,
                  &s.resizeFeature, &s.idleFeature,    nullptr};

    s.host = suil_host_new(&State::write, &State::portIndex, nullptr, nullptr);
    if (!s.host) return nullptr;
    // Same container and editor type: suil loads the editor and wraps nothing.
    s.instance = suil_instance_new(s.host, &s, LV2_UI__X11UI, plugin.pluginURI().c_str(), choice->uri.c_str(),
                                   choice->typeURI.c_str(), choice->bundlePath.c_str(), choice->binaryPath.c_str(),
                                   s.features.data());
    if (!s.instance || !suil_instance_get_widget(s.instance)) return nullptr;
    s.idleInterface =
        static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(s.instance, LV2_UI__idleInterface));
    s.sendChangedValues();
    return std::unique_ptr<LV2UserInterface>(new LV2UserInterface(std::move(state)));
}

std::uintptr_t LV2UserInterface::window() const
{
    return reinterpret_cast<std::uintptr_t>(suil_instance_get_widget(state_->instance));
}

bool LV2UserInterface::idle()
{
    auto& s = *state_;
    if (s.closed) return false;
    if (s.idleInterface && s.idleInterface->idle(suil_instance_get_handle(s.instance)) != 0) {
        s.closed = true;
        return false;
    }
    s.sendChangedValues();
    return true;
}

std::uint64_t LV2UserInterface::sentValueCount() const { return state_->sent; }

} // namespace corvane
