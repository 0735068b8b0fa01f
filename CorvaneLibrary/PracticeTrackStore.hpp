#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"
#include "CorvaneLibrary/RecordsArriveLater.hpp"
#include "CorvaneLibrary/SongKeyedRecords.hpp"

#include "CorvaneDomain/PracticeTrackSetting.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Per song, the track settings that differ from the default (a hand chosen,
// or muted), sorted by track index; kept under "practice.trackSettings.v1".
// Main thread only (but `read`); no signals; storage failures are not reported.
class PracticeTrackStore {
public:
    static constexpr const char* storageKey = "practice.trackSettings.v1";

    // Decodes the stored settings; safe on any thread (an unreadable record is kept aside).
    static SongKeyedRecords<PracticeTrackSetting> read(DefaultsStore& defaults);

    explicit PracticeTrackStore(DefaultsStore& defaults);
    // Empty until `adopt` (see RecordsArriveLater).
    PracticeTrackStore(DefaultsStore& defaults, RecordsArriveLater);

    bool hasRecords() const { return hasRecords_; }
    // Takes in the stored settings; a track changed since the store was made
    // keeps its new setting, every other track its stored one. Writes once
    // if anything changed.
    void adopt(SongKeyedRecords<PracticeTrackSetting> records);

    const SongKeyedRecords<PracticeTrackSetting>& settingsBySong() const { return settingsBySong_; }
    // As stored; empty for an unknown song.
    std::vector<PracticeTrackSetting> settings(const std::string& song) const;
    // The song's whole list, in any order, default settings included.
    void replace(const std::vector<PracticeTrackSetting>& settings, const std::string& song);

private:
    // One track's setting changed before the stored ones arrived (absent: back to the default).
    struct TrackChange {
        std::string song;
        std::int64_t trackIndex = 0;
        std::optional<PracticeTrackSetting> setting;
    };
    // Sets the song's list to the settings that differ from the default, sorted.
    void keep(std::vector<PracticeTrackSetting> settings, const std::string& song);

    DefaultsStore& defaults_;
    SongKeyedRecords<PracticeTrackSetting> settingsBySong_;
    bool hasRecords_ = true;
    std::vector<TrackChange> changesBeforeRecords_;
};

} // namespace corvane
