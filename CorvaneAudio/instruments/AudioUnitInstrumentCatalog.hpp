#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CorvaneAudio/instruments/AudioInstrumentDescriptor.hpp"

namespace corvane {

// The instruments the user can choose: the built-in piano first, then every
// installed LV2 instrument plugin the engine can host, sorted by maker and name.
namespace AudioUnitInstrumentCatalog {

// Never fails; safe on any thread (the plugin world is locked while read).
std::vector<AudioInstrumentDescriptor> discover();

// The descriptor of any installed plugin, instrument or not; absent when no
// plugin has that URI.
std::optional<AudioInstrumentDescriptor> descriptor(std::string_view pluginURI);

struct DisplayName {
    std::string manufacturer;
    std::string name;
    bool operator==(const DisplayName&) const = default;
};

// "Maker: Name" splits into maker and trimmed name; anything else is named
// whole under the maker "LV2". A trailing channel suffix such as " (2->2)" is dropped.
DisplayName displayName(std::string_view componentName);

// Stable; by maker, then by name, both localized and case-insensitive.
void sortByManufacturerAndName(std::vector<AudioInstrumentDescriptor>& descriptors);

} // namespace AudioUnitInstrumentCatalog

} // namespace corvane
