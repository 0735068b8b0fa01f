#include "CorvaneLibrary/PracticeTrackStore.hpp"

#include "CorvaneLibrary/StoredRecord.hpp"

#include <algorithm>

namespace corvane {

SongKeyedRecords<PracticeTrackSetting> PracticeTrackStore::read(DefaultsStore& defaults) {
    if (auto document = restoredRecord<SongKeyedRecordsDocument<PracticeTrackSetting>>(defaults, storageKey))
        return std::move(document->records);
    return {};
}

PracticeTrackStore::PracticeTrackStore(DefaultsStore& defaults) : defaults_(defaults), settingsBySong_(read(defaults)) {}

PracticeTrackStore::PracticeTrackStore(DefaultsStore& defaults, RecordsArriveLater)
    : defaults_(defaults), hasRecords_(false) {}

std::vector<PracticeTrackSetting> PracticeTrackStore::settings(const std::string& song) const {
    auto it = settingsBySong_.find(song);
    return it == settingsBySong_.end() ? std::vector<PracticeTrackSetting>{} : it->second;
}

void PracticeTrackStore::keep(std::vector<PracticeTrackSetting> settings, const std::string& song) {
    std::erase_if(settings, [](const PracticeTrackSetting& setting) { return setting.isDefault(); });
    std::stable_sort(settings.begin(), settings.end(), [](const PracticeTrackSetting& a, const PracticeTrackSetting& b) {
        return a.trackIndex() < b.trackIndex();
    });
    if (settings.empty())
        settingsBySong_.erase(song);
    else
        settingsBySong_.insert_or_assign(song, std::move(settings));
}

void PracticeTrackStore::replace(const std::vector<PracticeTrackSetting>& settings, const std::string& song) {
    if (!hasRecords_) {
        // The list given is the stored one (not known yet) with a few tracks
        // changed: only those tracks are replayed on the stored list.
        const auto before = this->settings(song);
        const auto settingOf = [](const std::vector<PracticeTrackSetting>& list, std::int64_t track) {
            std::optional<PracticeTrackSetting> found;
            for (const auto& setting : list)
                if (setting.trackIndex() == track && !setting.isDefault()) found = setting;
            return found;
        };
        std::vector<std::int64_t> tracks;
        for (const auto& setting : before) tracks.push_back(setting.trackIndex());
        for (const auto& setting : settings) tracks.push_back(setting.trackIndex());
        std::sort(tracks.begin(), tracks.end());
        tracks.erase(std::unique(tracks.begin(), tracks.end()), tracks.end());
        for (const auto track : tracks)
            if (const auto now = settingOf(settings, track); now != settingOf(before, track))
                changesBeforeRecords_.push_back({song, track, now});
        keep(settings, song);
        return;
    }
    keep(settings, song);
    storeRecord(defaults_, storageKey, SongKeyedRecordsDocument<PracticeTrackSetting>{settingsBySong_});
}

void PracticeTrackStore::adopt(SongKeyedRecords<PracticeTrackSetting> records) {
    if (hasRecords_) return;
    hasRecords_ = true;
    settingsBySong_ = std::move(records);
    if (changesBeforeRecords_.empty()) return;
    const auto stored = settingsBySong_;
    for (const auto& change : changesBeforeRecords_) {
        auto list = settings(change.song);
        std::erase_if(list, [&](const PracticeTrackSetting& s) { return s.trackIndex() == change.trackIndex; });
        if (change.setting) list.push_back(*change.setting);
        keep(std::move(list), change.song);
    }
    changesBeforeRecords_.clear();
    if (settingsBySong_ != stored)
        storeRecord(defaults_, storageKey, SongKeyedRecordsDocument<PracticeTrackSetting>{settingsBySong_});
}

} // namespace corvane
