#pragma once

#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/MIDILoopRange.hpp"

namespace corvane {

// {"startSeconds", "endSeconds"}: both required numbers, no range check.
template <> struct JSONCoder<MIDILoopRange> {
    static nlohmann::json encode(const MIDILoopRange& value, const std::string& codingPath);
    static MIDILoopRange decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
