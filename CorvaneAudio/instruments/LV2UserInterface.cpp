#include "CorvaneAudio/instruments/LV2UserInterface.hpp"

#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
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

// Debian 12's LV2 headers predate the Qt 6 editor type.
constexpr const char* qt6UIType = LV2_UI_PREFIX "Qt6UI";

// What `open` hands every editor (suil adds the port map to an X11 one itself).
constexpr std::array givenFeatures{
    LV2_UI__parent, LV2_UI__resize,  LV2_UI__idleInterface, LV2_UI__portMap,         LV2_URID__map,
    LV2_URID__unmap, LV2_OPTIONS__options, LV2_INSTANCE_ACCESS_URI, LV2_DATA_ACCESS_URI,
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

// With the world locked.
bool requiresOnlyGivenFeatures(const LilvUI* ui)
{
    auto& world = LV2World::shared();
    // The editor's own description (its features) is in a file of its own.
    lilv_world_load_resource(world.world(), lilv_ui_get_uri(ui));
    LilvNodes* required =
        lilv_world_find_nodes(world.world(), lilv_ui_get_uri(ui), world.node(LV2_CORE__requiredFeature), nullptr);
    bool given = true;
    LILV_FOREACH (nodes, j, required) given = given && givesFeature(lilv_node_as_uri(lilv_nodes_get(required, j)));
    lilv_nodes_free(required);
    return given;
}

// Calls into editors' code now on the main thread's stack.
int editorCallDepth = 0;
int liveEditors = 0;

struct EditorCall {
    EditorCall() { ++editorCallDepth; }
    ~EditorCall() { --editorCallDepth; }
    EditorCall(const EditorCall&) = delete;
    EditorCall& operator=(const EditorCall&) = delete;
};

} // namespace

bool LV2UserInterface::insideEditorCall() { return editorCallDepth > 0; }

int LV2UserInterface::liveCount() { return liveEditors; }

std::vector<LV2UserInterfaceChoice> chooseLV2UserInterfaces(const LilvPlugin* plugin)
{
    auto& world = LV2World::shared();
    std::vector<LV2UserInterfaceChoice> qt, x11;
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    LILV_FOREACH (uis, i, uis) {
        const LilvUI* ui = lilv_uis_get(uis, i);
        LV2UserInterfaceChoice choice;
        const LilvNode* type = nullptr;
        if (lilv_ui_is_a(ui, world.node(qt6UIType))) {
            choice.toolkit = LV2UserInterfaceChoice::Toolkit::qt6;
            choice.typeURI = qt6UIType;
        } else if (lilv_ui_is_supported(ui, suil_ui_supported, world.node(LV2_UI__X11UI), &type) && type) {
            choice.toolkit = LV2UserInterfaceChoice::Toolkit::x11;
            choice.typeURI = lilv_node_as_uri(type);
        } else {
            continue;
        }
        if (!requiresOnlyGivenFeatures(ui)) continue;
        choice.uri = lilv_node_as_uri(lilv_ui_get_uri(ui));
        choice.bundlePath = pathOf(lilv_ui_get_bundle_uri(ui));
        choice.binaryPath = pathOf(lilv_ui_get_binary_uri(ui));
        // An editor whose library is not installed could never open.
        std::error_code error;
        if (choice.binaryPath.empty() || !std::filesystem::is_regular_file(choice.binaryPath, error)) continue;
        (choice.toolkit == LV2UserInterfaceChoice::Toolkit::qt6 ? qt : x11).push_back(std::move(choice));
    }
    lilv_uis_free(uis);
    qt.insert(qt.end(), x11.begin(), x11.end());
    return qt;
}

struct LV2UserInterface::State {
    LV2Instrument* plugin = nullptr;
    LV2UserInterfaceChoice choice;
    Host host;
    ResizeRequest onResize;
    int listenerToken = 0;
    int openings = 0;
    bool closed = false;
    std::uint64_t sent = 0;
    // What the editor was last told (or last wrote), one per parameter; NaN
    // makes the next tick send the plugin's value.
    std::vector<float> shown;

    // An X11 editor, through suil.
    SuilHost* suilHost = nullptr;
    SuilInstance* suilInstance = nullptr;
    // A Qt 6 editor, loaded by us.
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle handle = nullptr;
    void* widget = nullptr;

    const LV2UI_Idle_Interface* idleInterface = nullptr;
    const LV2UI_Show_Interface* showInterface = nullptr;

    float rate = 0;
    float refreshRate = updateRate;
    LV2UI_Resize resize{};
    LV2UI_Port_Map portMap{};
    LV2_Extension_Data_Feature dataAccess{};
    std::vector<LV2_Options_Option> options;
    LV2_Feature parentFeature{}, resizeFeature{}, idleFeature{}, portMapFeature{}, mapFeature{}, unmapFeature{},
        optionsFeature{}, instanceFeature{}, dataFeature{};
    std::vector<const LV2_Feature*> features;

    ~State()
    {
        if (listenerToken) plugin->removeInstanceListener(listenerToken);
        release();
        if (suilHost) suil_host_free(suilHost);
        if (library) dlclose(library);
    }

    // The editor, with what it was given about the present instance.
    bool instantiate()
    {
        const EditorCall call;
        dataAccess.data_access = plugin->extensionData();
        instanceFeature = {LV2_INSTANCE_ACCESS_URI, plugin->instanceHandle()};
        dataFeature = {LV2_DATA_ACCESS_URI, &dataAccess};
        if (!instanceFeature.data || !dataAccess.data_access) return false;
        shown.assign(plugin->parameterDescriptors().size(), NAN);
        ++openings;
        if (choice.toolkit == LV2UserInterfaceChoice::Toolkit::x11) {
            // Same container and editor type: suil loads the editor and wraps nothing.
            suilInstance = suil_instance_new(suilHost, this, LV2_UI__X11UI, plugin->pluginURI().c_str(),
                                             choice.uri.c_str(), choice.typeURI.c_str(), choice.bundlePath.c_str(),
                                             choice.binaryPath.c_str(), features.data());
            if (!suilInstance || !suil_instance_get_widget(suilInstance)) return false;
            idleInterface = static_cast<const LV2UI_Idle_Interface*>(
                suil_instance_extension_data(suilInstance, LV2_UI__idleInterface));
        } else {
            LV2UI_Widget made = nullptr;
            handle = descriptor->instantiate(descriptor, plugin->pluginURI().c_str(), choice.bundlePath.c_str(),
                                             &State::write, this, &made, features.data());
            widget = made;
            if (!handle || !widget) return false;
            if (descriptor->extension_data) {
                idleInterface =
                    static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
                showInterface =
                    static_cast<const LV2UI_Show_Interface*>(descriptor->extension_data(LV2_UI__showInterface));
            }
        }
        sendChangedValues();
        return true;
    }

    // The editor goes before the instance it reaches into.
    void release()
    {
        const EditorCall call;
        if (suilInstance) suil_instance_free(suilInstance);
        suilInstance = nullptr;
        if (handle) {
            if (showInterface && showInterface->hide) showInterface->hide(handle);
            descriptor->cleanup(handle);
        }
        handle = nullptr;
        widget = nullptr;
        idleInterface = nullptr;
        showInterface = nullptr;
    }

    void portEvent(std::uint32_t port, float value)
    {
        const EditorCall call;
        if (suilInstance) suil_instance_port_event(suilInstance, port, sizeof value, 0, &value);
        else if (handle && descriptor->port_event) descriptor->port_event(handle, port, sizeof value, 0, &value);
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
            shown[i] = *value;
            portEvent(descriptors[i].port, *value);
            ++sent;
        }
    }

    static void write(void* controller, std::uint32_t port, std::uint32_t size, std::uint32_t protocol,
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

    static std::uint32_t portIndex(void* controller, const char* symbol)
    {
        const auto index = static_cast<State*>(controller)->plugin->portIndex(symbol ? symbol : "");
        return index ? *index : LV2UI_INVALID_PORT_INDEX;
    }

    void buildFeatures()
    {
        auto& world = LV2World::shared();
        rate = static_cast<float>(plugin->sampleRate());
        resize.handle = this;
        resize.ui_resize = [](LV2UI_Feature_Handle handle, int width, int height) {
            auto* self = static_cast<State*>(handle);
            if (self->onResize) self->onResize(width, height);
            return 0;
        };
        portMap = {this, &State::portIndex};
        const LV2_URID atomFloat = world.map(LV2_ATOM__Float);
        options = {
            {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_UI__updateRate), sizeof(float), atomFloat, &refreshRate},
            {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_PARAMETERS__sampleRate), sizeof(float), atomFloat, &rate},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
        };
        const bool x11 = choice.toolkit == LV2UserInterfaceChoice::Toolkit::x11;
        parentFeature = {LV2_UI__parent, x11 ? reinterpret_cast<void*>(host.x11Parent) : host.qtParent};
        resizeFeature = {LV2_UI__resize, &resize};
        idleFeature = {LV2_UI__idleInterface, nullptr};
        portMapFeature = {LV2_UI__portMap, &portMap};
        mapFeature = {LV2_URID__map, world.mapFeature()};
        unmapFeature = {LV2_URID__unmap, world.unmapFeature()};
        optionsFeature = {LV2_OPTIONS__options, options.data()};
        features = {&mapFeature, &unmapFeature, &optionsFeature, &resizeFeature, &idleFeature,
                    &instanceFeature, &dataFeature};
        if (parentFeature.data) features.push_back(&parentFeature);
        if (!x11) features.push_back(&portMapFeature);
        features.push_back(nullptr);
    }

    // A Qt 6 editor's descriptor, from its library.
    bool loadLibrary()
    {
        library = dlopen(choice.binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) return false;
        const auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
        if (!entry) return false;
        for (std::uint32_t index = 0; index < 1024; ++index) {
            const LV2UI_Descriptor* candidate = entry(index);
            if (!candidate) break;
            if (candidate->URI && choice.uri == candidate->URI) {
                descriptor = candidate;
                break;
            }
        }
        return descriptor && descriptor->instantiate && descriptor->cleanup;
    }
};

LV2UserInterface::LV2UserInterface(std::unique_ptr<State> state) : state_(std::move(state)) { ++liveEditors; }

LV2UserInterface::~LV2UserInterface() { --liveEditors; }

std::unique_ptr<LV2UserInterface> LV2UserInterface::open(LV2Instrument& plugin, const LV2UserInterfaceChoice& choice,
                                                         Host host, ResizeRequest onResize)
{
    const bool x11 = choice.toolkit == LV2UserInterfaceChoice::Toolkit::x11;
    if (x11 && host.x11Parent == 0) return nullptr;
    auto state = std::make_unique<State>();
    auto& s = *state;
    s.plugin = &plugin;
    s.choice = choice;
    s.host = host;
    s.onResize = std::move(onResize);
    s.buildFeatures();
    if (x11) {
        s.suilHost = suil_host_new(&State::write, &State::portIndex, nullptr, nullptr);
        if (!s.suilHost) return nullptr;
    } else if (!s.loadLibrary()) {
        return nullptr;
    }
    if (!s.instantiate()) return nullptr;
    s.listenerToken = plugin.addInstanceListener([self = &s](bool rebuilt) {
        if (!rebuilt) {
            self->release();
        } else if (!self->closed && !self->instantiate()) {
            self->release();
            self->closed = true;
        }
    });
    return std::unique_ptr<LV2UserInterface>(new LV2UserInterface(std::move(state)));
}

const LV2UserInterfaceChoice& LV2UserInterface::choice() const { return state_->choice; }

std::uintptr_t LV2UserInterface::window() const
{
    return state_->suilInstance ? reinterpret_cast<std::uintptr_t>(suil_instance_get_widget(state_->suilInstance)) : 0;
}

void* LV2UserInterface::widget() const { return state_->widget; }

void LV2UserInterface::showEmbedded()
{
    auto& s = *state_;
    const EditorCall call;
    if (s.handle && s.showInterface && s.showInterface->show) s.showInterface->show(s.handle);
}

bool LV2UserInterface::idle()
{
    auto& s = *state_;
    if (s.closed || (!s.suilInstance && !s.handle)) return false;
    const LV2UI_Handle handle = s.suilInstance ? suil_instance_get_handle(s.suilInstance) : s.handle;
    if (s.idleInterface) {
        const EditorCall call;
        if (s.idleInterface->idle(handle) != 0) {
            s.closed = true;
            return false;
        }
    }
    s.sendChangedValues();
    return true;
}

int LV2UserInterface::openings() const { return state_->openings; }

std::uint64_t LV2UserInterface::sentValueCount() const { return state_->sent; }

} // namespace corvane
