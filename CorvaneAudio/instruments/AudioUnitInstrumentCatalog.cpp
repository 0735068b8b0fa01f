#include "CorvaneAudio/instruments/AudioUnitInstrumentCatalog.hpp"

#include <algorithm>
#include <regex>
#include <span>

#include "CorvaneAudio/instruments/LV2UserInterface.hpp"
#include "CorvaneAudio/instruments/LV2World.hpp"
#include "CorvaneAudio/LocalizedCaseInsensitiveOrder.hpp"
#include "CorvaneDomain/TextDecoding.hpp"

namespace corvane::AudioUnitInstrumentCatalog {

namespace {

const std::string fallbackManufacturer = "LV2";

// Unicode white space that is not a line break: a trailing newline stays part of the name.
bool isHorizontalSpace(char32_t c)
{
    const bool lineBreak = (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
    return !lineBreak && isWhitespaceOrNewline(c);
}

std::string_view trimmedHorizontalSpace(std::string_view text)
{
    // Trimmed code points are well-formed, so their encoded widths give byte
    // offsets into `text`; everything between stays byte for byte.
    const auto codePoints =
        decodeUTF8Lossy(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    const auto width = [](char32_t c) { return encodeUTF8(std::u32string(1, c)).size(); };
    std::size_t first = 0, last = codePoints.size(), begin = 0, end = text.size();
    while (first < last && isHorizontalSpace(codePoints[first])) begin += width(codePoints[first++]);
    while (last > first && isHorizontalSpace(codePoints[last - 1])) end -= width(codePoints[--last]);
    return text.substr(begin, end - begin);
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

    // Exactly what LV2Instrument::hasUserInterface will say once it is loaded.
    const bool hasInterface = !chooseLV2UserInterfaces(plugin).empty();

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
        // LV2 plugins run in-process with no sandbox to step out of, so none
        // needs the permission warning.
        .isSandboxSafe = true,
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
