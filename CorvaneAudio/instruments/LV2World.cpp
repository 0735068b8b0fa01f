#include "CorvaneAudio/instruments/LV2World.hpp"

#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/worker/worker.h>

#include <array>

namespace corvane {

namespace {

// FNV-1a: stable across runs and builds, unlike std::hash.
std::uint32_t stableCode(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

// The part of a plugin URI that names its maker's namespace.
std::string_view uriNamespace(std::string_view uri)
{
    const auto cut = uri.find_last_of("/#");
    return cut == std::string_view::npos ? uri : uri.substr(0, cut + 1);
}

constexpr std::array supportedFeatures{
    LV2_URID__map, LV2_URID__unmap, LV2_OPTIONS__options, LV2_BUF_SIZE__boundedBlockLength, LV2_CORE__isLive,
    LV2_CORE__hardRTCapable, LV2_WORKER__schedule,
};

} // namespace

LV2World& LV2World::shared()
{
    static LV2World instance;
    return instance;
}

LV2World::LV2World()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) {
        return static_cast<LV2World*>(handle)->map(uri);
    };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
        return static_cast<LV2World*>(handle)->unmap(urid);
    };
}

LV2World::~LV2World()
{
    // Deliberately leaked: plugin libraries may still be referenced by
    // instances that outlive static destruction order.
}

LilvWorld* LV2World::world()
{
    if (!world_) {
        world_ = lilv_world_new();
        lilv_world_load_all(world_);
    }
    return world_;
}

const LilvNode* LV2World::node(const char* uri)
{
    auto& slot = nodes_[uri];
    if (!slot) slot = lilv_new_uri(world(), uri);
    return slot;
}

const LilvPlugin* LV2World::findPlugin(std::string_view uri)
{
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world());
    LILV_FOREACH (plugins, i, plugins) {
        const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
        if (uri == lilv_node_as_uri(lilv_plugin_get_uri(plugin))) return plugin;
    }
    return nullptr;
}

const LilvPlugin* LV2World::findPlugin(const AudioComponentDescription& description)
{
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world());
    LILV_FOREACH (plugins, i, plugins) {
        const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
        const auto candidate = describe(plugin);
        if (candidate.componentSubType == description.componentSubType &&
            candidate.componentManufacturer == description.componentManufacturer)
            return plugin;
    }
    return nullptr;
}

bool LV2World::isInstrument(const LilvPlugin* plugin)
{
    const LilvNode* classURI = lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin));
    return lilv_node_equals(classURI, node(LV2_CORE__InstrumentPlugin));
}

AudioComponentDescription LV2World::describe(const LilvPlugin* plugin)
{
    const std::string_view uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    return AudioComponentDescription{
        .componentType = isInstrument(plugin) ? musicDeviceComponentType : effectComponentType,
        .componentSubType = stableCode(uri),
        .componentManufacturer = stableCode(uriNamespace(uri)),
    };
}

bool LV2World::supportsRequiredFeatures(const LilvPlugin* plugin)
{
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    bool supported = true;
    LILV_FOREACH (nodes, i, required) {
        const std::string_view feature = lilv_node_as_uri(lilv_nodes_get(required, i));
        bool known = false;
        for (const char* candidate : supportedFeatures) known = known || feature == candidate;
        supported = supported && known;
    }
    lilv_nodes_free(required);
    return supported;
}

LV2_URID LV2World::map(std::string_view uri)
{
    std::lock_guard guard(mapMutex_);
    const auto found = urids_.find(std::string(uri));
    if (found != urids_.end()) return found->second;
    uris_.emplace_back(uri);
    const auto urid = static_cast<LV2_URID>(uris_.size());
    urids_.emplace(uris_.back(), urid);
    return urid;
}

const char* LV2World::unmap(LV2_URID urid)
{
    std::lock_guard guard(mapMutex_);
    if (urid == 0 || urid > uris_.size()) return nullptr;
    return uris_[urid - 1].c_str();
}

} // namespace corvane
