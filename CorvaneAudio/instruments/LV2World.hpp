#pragma once

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "CorvaneAudio/instruments/AudioComponentDescription.hpp"

namespace corvane {

// The process's one view of the installed LV2 plugins, and the URI map every
// hosted plugin shares. Lilv is not thread-safe: hold `lock()` while touching
// the world or its plugins. The URI map locks itself.
class LV2World {
public:
    static LV2World& shared();

    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }

    // Loaded on first use (LV2_PATH is read then). Call with the lock held.
    LilvWorld* world();
    // The plugin with these subtype and manufacturer codes; null when none. Lock held.
    const LilvPlugin* findPlugin(const AudioComponentDescription& description);
    const LilvPlugin* findPlugin(std::string_view uri);
    // Kind and the two codes derived from the plugin's URI. Lock held.
    AudioComponentDescription describe(const LilvPlugin* plugin);
    bool isInstrument(const LilvPlugin* plugin);
    // Whether every feature the plugin requires is one this host provides. Lock held.
    bool supportsRequiredFeatures(const LilvPlugin* plugin);

    LV2_URID map(std::string_view uri);
    const char* unmap(LV2_URID urid);
    LV2_URID_Map* mapFeature() { return &map_; }
    LV2_URID_Unmap* unmapFeature() { return &unmap_; }

    // A node for a URI, owned by the world. Lock held.
    const LilvNode* node(const char* uri);

private:
    LV2World();
    ~LV2World();

    std::mutex mutex_;
    LilvWorld* world_ = nullptr;
    std::unordered_map<std::string, LilvNode*> nodes_;

    std::mutex mapMutex_;
    std::unordered_map<std::string, LV2_URID> urids_;
    std::deque<std::string> uris_; // stable storage for unmap's answers
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
};

} // namespace corvane
