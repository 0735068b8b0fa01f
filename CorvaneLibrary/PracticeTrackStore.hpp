#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/SongKeyedRecords.hpp"

#include "CorvaneDomain/PracticeTrackSetting.hpp"

#include <string>
#include <vector>

namespace corvane {

// Per song, the track settings that differ from the default (a hand chosen,
// or muted), sorted by track index; kept under "practice.trackSettings.v1".
// Main thread only; no signals; storage failures are not reported.
class PracticeTrackStore {
public:
    static constexpr const char* storageKey = "practice.trackSettings.v1";

    explicit PracticeTrackStore(DefaultsStore& defaults);

    const SongKeyedRecords<PracticeTrackSetting>& settingsBySong() const { return settingsBySong_; }
    // As stored; empty for an unknown song.
    std::vector<PracticeTrackSetting> settings(const std::string& song) const;
    // The song's whole list, in any order, default settings included.
    void replace(const std::vector<PracticeTrackSetting>& settings, const std::string& song);

private:
    DefaultsStore& defaults_;
    SongKeyedRecords<PracticeTrackSetting> settingsBySong_;
};

} // namespace corvane
