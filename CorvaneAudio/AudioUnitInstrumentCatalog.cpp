#include "CorvaneAudio/AudioUnitInstrumentCatalog.hpp"

#include <algorithm>
#include <regex>

#include "CorvaneAudio/LV2World.hpp"
#include "CorvaneAudio/LocalizedCaseInsensitiveOrder.hpp"

namespace corvane::AudioUnitInstrumentCatalog {

namespace {

const std::string fallbackManufacturer = "LV2";

// Horizontal white space in UTF-8: the tab and every Unicode space separator
// (the no-break and the typographic spaces too); never a line break.
constexpr std::string_view horizontalSpaces[] = {
    " ", "\t", "\xC2\xA0", "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83",
    "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A",
    "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80",
};

std::string_view trimmedHorizontalSpace(std::string_view text)
{
    for (bool trimmed = true; trimmed;) {
        trimmed = false;
        for (const auto space : horizontalSpaces) {
            if (text.starts_with(space)) text.remove_prefix(space.size()), trimmed = true;
            if (text.ends_with(space)) text.remove_suffix(space.size()), trimmed = true;
        }
    }
    return text;
}

// Splits at the first ":" that ends a non-empty piece; empty pieces are dropped
// and do not count as the split.
std::vector<std::string_view> splitOnceAtColon(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ':') continue;
        const bool appended = i > start;
        if (appended) pieces.push_back(text.substr(start, i - start));
        start = i + 1;
        if (appended) break;
    }
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces;
}

std::string makerOf(const LilvPlugin* plugin)
{
    std::string maker;
    if (LilvNode* author = lilv_plugin_get_author_name(plugin)) {
        maker = lilv_node_as_string(author);
        lilv_node_free(author);
    }
    if (maker.empty()) {
        if (LilvNode* project = lilv_plugin_get_project(plugin)) {
            LilvWorld* world = LV2World::shared().world();
            LilvNode* nameURI = lilv_new_uri(world, "http://usefulinc.com/ns/doap#name");
            if (LilvNode* name = lilv_world_get(world, project, nameURI, nullptr)) {
                maker = lilv_node_as_string(name);
                lilv_node_free(name);
            }
            lilv_node_free(nameURI);
            lilv_node_free(project);
        }
    }
    return maker;
}

// Lock held.
AudioInstrumentDescriptor describePlugin(const LilvPlugin* plugin)
{
    auto& world = LV2World::shared();
    std::string pluginName;
    if (LilvNode* name = lilv_plugin_get_name(plugin)) {
        pluginName = lilv_node_as_string(name);
        lilv_node_free(name);
    }
    if (pluginName.empty()) pluginName = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    const std::string maker = makerOf(plugin);
    const auto display = displayName(maker.empty() ? pluginName : maker + ": " + pluginName);

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    const bool hasInterface = uis && lilv_uis_size(uis) > 0;
    lilv_uis_free(uis);

    const auto description = world.describe(plugin);
    return AudioInstrumentDescriptor{
        .id = componentID(description),
        .kind = AudioInstrumentDescriptor::Kind::audioUnit,
        .name = display.name,
        .manufacturerName = display.manufacturer,
        .componentType = description.componentType,
        .componentSubType = description.componentSubType,
        .componentManufacturer = description.componentManufacturer,
        .componentFlags = description.componentFlags,
        .componentFlagsMask = description.componentFlagsMask,
        .hasCustomView = hasInterface,
        // LV2 has no sandbox declaration; the flag bit is never set.
        .isSandboxSafe = (description.componentFlags & 2u) != 0,
        .passesValidation = true,
    };
}

} // namespace

DisplayName displayName(std::string_view componentName)
{
    DisplayName result;
    const auto pieces = splitOnceAtColon(componentName);
    if (pieces.size() == 2) {
        result.manufacturer = std::string(pieces[0]);
        result.name = std::string(trimmedHorizontalSpace(pieces[1]));
    } else {
        result.manufacturer = fallbackManufacturer;
        result.name = std::string(componentName);
    }
    static const std::regex channelSuffix(R"(\s+\(\d+->\d+\)$)");
    result.name = std::regex_replace(result.name, channelSuffix, "", std::regex_constants::format_first_only);
    return result;
}

void sortByManufacturerAndName(std::vector<AudioInstrumentDescriptor>& descriptors)
{
    std::stable_sort(descriptors.begin(), descriptors.end(), [](const auto& a, const auto& b) {
        const int maker = localizedCaseInsensitiveCompare(a.manufacturerName, b.manufacturerName);
        if (maker != 0) return maker < 0;
        return localizedCaseInsensitiveCompare(a.name, b.name) < 0;
    });
}

std::vector<AudioInstrumentDescriptor> discover()
{
    std::vector<AudioInstrumentDescriptor> found;
    {
        auto& world = LV2World::shared();
        const auto lock = world.lock();
        const LilvPlugins* plugins = lilv_world_get_all_plugins(world.world());
        LILV_FOREACH (plugins, i, plugins) {
            const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
            // A plugin needing host features we lack could never load; it is not offered.
            if (!world.isInstrument(plugin) || !world.supportsRequiredFeatures(plugin)) continue;
            found.push_back(describePlugin(plugin));
        }
    }
    sortByManufacturerAndName(found);
    found.insert(found.begin(), AudioInstrumentDescriptor::bundledPiano());
    return found;
}

std::optional<AudioInstrumentDescriptor> descriptor(std::string_view pluginURI)
{
    auto& world = LV2World::shared();
    const auto lock = world.lock();
    const LilvPlugin* plugin = world.findPlugin(pluginURI);
    if (!plugin) return std::nullopt;
    return describePlugin(plugin);
}

} // namespace corvane::AudioUnitInstrumentCatalog
