#pragma once

#include <optional>
#include <string>

namespace corvane {

// Maker and model of a JACK port's device, as far as JACK knows them.
struct JackPortDetails {
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    bool operator==(const JackPortDetails&) const = default;
};

// The device named by one of a port's aliases: the alias's client part
// ("Digital Piano:midi_out" gives "Digital Piano"), or for ALSA ports bridged
// into JACK the device between the colon and the slash with dashes as spaces
// ("alsa_pcm:Digital-Piano/midi_capture_1"). Absent for an alias that names
// the port's own client or nothing.
std::optional<std::string> jackAliasDeviceName(const std::string& alias, const std::string& portClient);

// From the port's metadata and aliases: the model is its pretty name, else the
// device of its first alias that names one; the maker is its hardware
// metadata (what the port is wired to).
JackPortDetails jackPortDetails(const std::optional<std::string>& prettyName,
                                const std::optional<std::string>& hardware, const std::string& firstAlias,
                                const std::string& secondAlias, const std::string& portClient);

} // namespace corvane
