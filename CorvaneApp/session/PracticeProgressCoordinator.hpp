#pragma once

#include <optional>
#include <string>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"
#include "CorvaneDomain/PracticeMetricsAccumulator.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"
#include "CorvaneDomain/UUID.hpp"

namespace corvane {

class PracticeProgressStore;

// Bookkeeping of the open song's history entry beside the store it is saved
// to; the session controller reads and writes its fields.
struct PracticeProgressCoordinator {
    explicit PracticeProgressCoordinator(PracticeProgressStore& store) : store(store) {}

    PracticeProgressStore& store;
    std::optional<UUID> historyEntryID;
    std::optional<std::string> songTitle;
    std::optional<PracticeSongReference> songReference;
    std::optional<Date> startedAt;
    PracticeMetricsAccumulator accumulator{PracticeMetrics::zero()};
};

} // namespace corvane
