#pragma once

#include <cstdint>

namespace corvane {

// The bar and beat a running count-in is counting, for its overlay.
struct CountInProgress {
    std::int64_t measureNumber = 1; // from 1
    std::int64_t measureCount = 1;
    std::int64_t beatNumber = 1; // from 1

    bool operator==(const CountInProgress&) const = default;
};

} // namespace corvane
