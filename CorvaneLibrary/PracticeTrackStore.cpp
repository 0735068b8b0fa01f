#include "CorvaneLibrary/PracticeTrackStore.hpp"

#include "CorvaneLibrary/StoredRecord.hpp"

#include <algorithm>

namespace corvane {

PracticeTrackStore::PracticeTrackStore(DefaultsStore& defaults) : defaults_(defaults) {
    if (auto document = restoredRecord<SongKeyedRecordsDocument<PracticeTrackSetting>>(defaults_, storageKey))
        settingsBySong_ = std::move(document->records);
}

std::vector<PracticeTrackSetting> PracticeTrackStore::settings(const std::string& song) const {
    auto it = settingsBySong_.find(song);
    return it == settingsBySong_.end() ? std::vector<PracticeTrackSetting>{} : it->second;
}

void PracticeTrackStore::replace(const std::vector<PracticeTrackSetting>& settings, const std::string& song) {
    std::vector<PracticeTrackSetting> kept;
    std::copy_if(settings.begin(), settings.end(), std::back_inserter(kept),
                 [](const PracticeTrackSetting& setting) { return !setting.isDefault(); });
    std::stable_sort(kept.begin(), kept.end(), [](const PracticeTrackSetting& a, const PracticeTrackSetting& b) {
        return a.trackIndex() < b.trackIndex();
    });
    if (kept.empty())
        settingsBySong_.erase(song);
    else
        settingsBySong_.insert_or_assign(song, std::move(kept));
    storeRecord(defaults_, storageKey, SongKeyedRecordsDocument<PracticeTrackSetting>{settingsBySong_});
}

} // namespace corvane
