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

// Names come from other programs and devices: invalid UTF-8 becomes U+FFFD
// and line breaks or other control characters become spaces, so that a list
// row stays one line.
std::string printable(const std::string& name)
{
    bool plain = true;
    for (const unsigned char c : name) plain = plain && c >= 0x20 && c < 0x7F;
    if (plain) return name;
    QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    return text.toStdString();
}

std::optional<std::string> printable(const std::optional<std::string>& name)
{
    if (!name) return std::nullopt;
    return printable(*name);
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
            entry.displayName = printable(*properties.displayName);
        } else if (properties.name) {
            entry.displayName = printable(*properties.name);
        } else {
            entry.displayName = fallbackPrefix + std::to_string(i + 1);
        }
        entry.manufacturer = printable(properties.manufacturer);
        entry.model = printable(properties.model);
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
