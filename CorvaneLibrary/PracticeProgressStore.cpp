#include "CorvaneLibrary/PracticeProgressStore.hpp"

#include "CorvaneLibrary/StoredRecord.hpp"

#include <algorithm>
#include <limits>
#include <map>

namespace corvane {

namespace {

// Dates compare as numbers; a date that is not a number sorts as the oldest
// instead of breaking the sort's ordering.
double orderKey(Date date) {
    const double seconds = date.secondsSinceReferenceDate;
    return seconds == seconds ? seconds : -std::numeric_limits<double>::infinity();
}

// An entry as encoding the whole list writes it; absent when it cannot be encoded.
std::optional<std::string> encodedEntry(const PracticeHistoryEntry& entry) {
    try {
        return encodeJSON(entry).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const JSONEncodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

PracticeProgressStore::PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount)
    : defaults_(defaults), maximumHistoryCount_(std::max<std::int64_t>(maximumHistoryCount, 1)) {
    currentSession_ = restoredRecord<PersistedPracticeSession>(defaults_, currentSessionKey);
    if (auto history = restoredRecord<std::vector<PracticeHistoryEntry>>(defaults_, historyKey))
        historyEntries_ = std::move(*history);
    // Trimmed in memory only: the stored list stays as it is until the next write.
    sortAndTrimHistory();
    // Encoded now, while the application starts, rather than by the first save during playback.
    for (const auto& entry : historyEntries_)
        if (auto text = encodedEntry(entry)) encodedEntries_.insert_or_assign(entry.id(), EncodedEntry{entry, std::move(*text)});
}

void PracticeProgressStore::sortAndTrimHistory() {
    std::stable_sort(historyEntries_.begin(), historyEntries_.end(),
                     [](const PracticeHistoryEntry& a, const PracticeHistoryEntry& b) { return orderKey(a.updatedAt) > orderKey(b.updatedAt); });
    if (static_cast<std::int64_t>(historyEntries_.size()) > maximumHistoryCount_)
        historyEntries_.erase(historyEntries_.begin() + maximumHistoryCount_, historyEntries_.end());
}

void PracticeProgressStore::writeHistory() {
    std::map<UUID, EncodedEntry> encoded;
    std::vector<std::uint8_t> document;
    document.reserve(lastHistoryBytes_ + 1024);
    document.push_back('[');
    for (const auto& entry : historyEntries_) {
        auto cached = encodedEntries_.find(entry.id());
        if (cached == encodedEntries_.end() || !(cached->second.entry == entry)) {
            auto text = encodedEntry(entry);
            // As when the whole list failed to encode: nothing is written.
            if (!text) return;
            cached = encodedEntries_.insert_or_assign(entry.id(), EncodedEntry{entry, std::move(*text)}).first;
        }
        if (document.size() > 1) document.push_back(',');
        document.insert(document.end(), cached->second.text.begin(), cached->second.text.end());
        encoded.insert_or_assign(entry.id(), cached->second);
    }
    document.push_back(']');
    // Only the entries still listed are kept for the next save.
    encodedEntries_ = std::move(encoded);
    lastHistoryBytes_ = document.size();
    defaults_.setData(historyKey, std::move(document));
}

void PracticeProgressStore::saveCurrentSession(const PersistedPracticeSession& session) {
    currentSession_ = session;
    storeRecord(defaults_, currentSessionKey, session);
}

void PracticeProgressStore::clearCurrentSession() {
    currentSession_.reset();
    defaults_.remove(currentSessionKey);
}

void PracticeProgressStore::upsertHistory(const PracticeHistoryEntry& entry) {
    std::erase_if(historyEntries_, [&](const PracticeHistoryEntry& e) { return e.id() == entry.id(); });
    historyEntries_.push_back(entry);
    sortAndTrimHistory();
    writeHistory();
}

void PracticeProgressStore::removeProgress(const std::string& song) {
    std::erase_if(historyEntries_,
                  [&](const PracticeHistoryEntry& e) { return e.songReference().stableID() == song; });
    writeHistory();
    if (currentSession_ && currentSession_->songReference().stableID() == song) clearCurrentSession();
}

void PracticeProgressStore::removeAllProgress() {
    historyEntries_.clear();
    writeHistory();
    clearCurrentSession();
}

std::vector<RecentPracticeSong> PracticeProgressStore::recentSongs() const {
    std::vector<const PracticeHistoryEntry*> oldestFirst;
    oldestFirst.reserve(historyEntries_.size());
    for (const auto& entry : historyEntries_) oldestFirst.push_back(&entry);
    std::stable_sort(oldestFirst.begin(), oldestFirst.end(),
                     [](const PracticeHistoryEntry* a, const PracticeHistoryEntry* b) { return orderKey(a->updatedAt) < orderKey(b->updatedAt); });

    std::map<std::string, RecentPracticeSong> bySong;
    for (const PracticeHistoryEntry* entry : oldestFirst) {
        const std::string key = entry->songReference().stableID();
        auto previous = bySong.find(key);
        const PracticeMetrics totals =
            (previous == bySong.end() ? PracticeMetrics::zero() : previous->second.accumulatedMetrics).adding(entry->metrics);
        bySong.insert_or_assign(key, RecentPracticeSong{entry->songTitle(), entry->songReference(), entry->updatedAt,
                                                        entry->lastPositionSeconds, totals});
    }
    std::vector<RecentPracticeSong> songs;
    songs.reserve(bySong.size());
    for (auto& [key, song] : bySong) songs.push_back(std::move(song));
    std::stable_sort(songs.begin(), songs.end(), [](const RecentPracticeSong& a, const RecentPracticeSong& b) {
        return orderKey(a.lastPracticedAt) > orderKey(b.lastPracticedAt);
    });
    return songs;
}

} // namespace corvane
