#include "CorvaneAudio/MIDIEndpointDiscovery.hpp"

#include <QList>
#include <QString>

#include <algorithm>

namespace corvane {

namespace {

template <class Entry>
std::vector<Entry> entries(const std::vector<MIDIEndpointProperties>& reported, const std::string& fallbackPrefix)
{
    std::vector<Entry> listed;
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
        listed.push_back(std::move(entry));
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Entry& a, const Entry& b) {
        const int order = compareDisplayNames(a.displayName, b.displayName);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    return listed;
}

} // namespace

int compareDisplayNames(const std::string& a, const std::string& b)
{
    if (a == b) return 0;
    const QList<uint> left = QString::fromStdString(a).normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> right = QString::fromStdString(b).normalized(QString::NormalizationForm_C).toUcs4();
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
