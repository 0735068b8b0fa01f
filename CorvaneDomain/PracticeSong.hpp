#pragma once

#include <optional>
#include <string>

#include "CorvaneDomain/UUID.hpp"

namespace corvane {

// The song open in the practice view; a fresh id for every load. Never stored.
class PracticeSong {
public:
    // Without a title the file name less its last extension is the title; an
    // empty title is a title and stays empty.
    PracticeSong(UUID id, std::string filePath, std::optional<std::string> title);

    const UUID& id() const { return id_; }
    const std::string& filePath() const { return filePath_; }
    const std::string& title() const { return title_; }

    bool operator==(const PracticeSong&) const = default;

private:
    UUID id_;
    std::string filePath_;
    std::string title_;
};

} // namespace corvane
