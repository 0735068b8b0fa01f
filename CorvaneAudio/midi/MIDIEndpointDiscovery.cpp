#include "CorvaneAudio/midi/MIDIEndpointDiscovery.hpp"

#include <QList>
#include <QString>

#include <algorithm>
#include <utility>

namespace corvane {

namespace {

// What display names are ordered by: canonically equivalent names share one key.
QList<uint> displayNameKey(const std::string& name)
{
    return QString::fromStdString(name).normalized(QString::NormalizationForm_C).toUcs4();
}

template <class Entry>
std::vector<Entry> entries(const std::vector<MIDIEndpointProperties>& reported, const std::string& fallbackPrefix)
{
    // Each name is normalized once, not at every comparison of the sort.
    std::vector<std::pair<QList<uint>, Entry>> listed;
    listed.reserve(reported.size());
    for (std::size_t i = 0; i < reported.size(); ++i) {
        const MIDIEndpointProperties& properties = reported[i];
        if (properties.endpoint == 0) continue;
        Entry entry;
        entry.id = properties.uniqueID.value_or(static_cast<std::int32_t>(properties.endpoint));
        entry.endpoint = properties.endpoint;
        if (properties.displayName) {
            entry.displayName = *properties.displayName;
        } else if (properties.name) {
            entry.displayName = *properties.name;
        } else {
            entry.displayName = fallbackPrefix + std::to_string(i + 1);
        }
        entry.manufacturer = properties.manufacturer;
        entry.model = properties.model;
        entry.isOffline = properties.offline.value_or(0) != 0;
        listed.emplace_back(displayNameKey(entry.displayName), std::move(entry));
    }
    std::stable_sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.id < b.second.id;
    });
    std::vector<Entry> sorted;
    sorted.reserve(listed.size());
    for (auto& [key, entry] : listed) sorted.push_back(std::move(entry));
    return sorted;
}

} // namespace

int compareDisplayNames(const std::string& a, const std::string& b)
{
    if (a == b) return 0;
    const QList<uint> left = displayNameKey(a);
    const QList<uint> right = displayNameKey(b);
    if (left == right) return 0;
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end()) ? -1 : 1;
}

std::vector<MIDIInputSource> inputSources(const std::vector<MIDIEndpointProperties>& reported)
{
    return entries<MIDIInputSource>(reported, "Entrada MIDI ");
}

std::vector<MIDIOutputDestination> outputDestinations(const std::vector<MIDIEndpointProperties>& reported)
{
    return entries<MIDIOutputDestination>(reported, "Saída MIDI ");
}

} // namespace corvane
