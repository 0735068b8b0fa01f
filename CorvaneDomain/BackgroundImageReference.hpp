#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneDomain/JSONCoding.hpp"

namespace corvane {

// Where the chosen background photo lives.
struct BackgroundImageReference {
    std::string path; // standardised path of the photo
    std::optional<std::vector<std::uint8_t>> bookmarkData; // regains access in a later run

    bool operator==(const BackgroundImageReference&) const = default;
};

// "path" required; "bookmarkData" written only when present.
template <> struct JSONCoder<BackgroundImageReference> {
    static nlohmann::json encode(const BackgroundImageReference& value, const std::string& codingPath);
    static BackgroundImageReference decode(const nlohmann::json& json, const std::string& codingPath);
};

} // namespace corvane
