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

// Newest first, at most `limit`.
void sortAndTrim(std::vector<PracticeHistoryEntry>& entries, std::int64_t limit) {
    std::stable_sort(entries.begin(), entries.end(), [](const PracticeHistoryEntry& a, const PracticeHistoryEntry& b) {
        return orderKey(a.updatedAt) > orderKey(b.updatedAt);
    });
    if (static_cast<std::int64_t>(entries.size()) > limit) entries.erase(entries.begin() + limit, entries.end());
}

} // namespace

PracticeProgressStore::Records PracticeProgressStore::read(DefaultsStore& defaults, std::int64_t maximumHistoryCount) {
    Records records;
    records.currentSession = restoredRecord<PersistedPracticeSession>(defaults, currentSessionKey);
    if (auto history = restoredRecord<std::vector<PracticeHistoryEntry>>(defaults, historyKey))
        records.historyEntries = std::move(*history);
    // Trimmed in memory only: the stored list stays as it is until the next write.
    sortAndTrim(records.historyEntries, std::max<std::int64_t>(maximumHistoryCount, 1));
    // Encoded now, while the application starts, rather than by the first save during playback.
    for (const auto& entry : records.historyEntries)
        if (auto text = encodedEntry(entry))
            records.encodedEntries.insert_or_assign(entry.id(), EncodedEntry{entry, std::move(*text)});
    return records;
}

PracticeProgressStore::PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount)
    : defaults_(defaults), maximumHistoryCount_(std::max<std::int64_t>(maximumHistoryCount, 1)) {
    Records records = read(defaults_, maximumHistoryCount_);
    currentSession_ = std::move(records.currentSession);
    historyEntries_ = std::move(records.historyEntries);
    encodedEntries_ = std::move(records.encodedEntries);
}

PracticeProgressStore::PracticeProgressStore(DefaultsStore& defaults, std::int64_t maximumHistoryCount,
                                             RecordsArriveLater)
    : defaults_(defaults), maximumHistoryCount_(std::max<std::int64_t>(maximumHistoryCount, 1)), pending_(true) {}

void PracticeProgressStore::adopt(Records records) {
    if (!pending_.arrive()) return;
    currentSession_ = std::move(records.currentSession);
    historyEntries_ = std::move(records.historyEntries);
    encodedEntries_ = std::move(records.encodedEntries);
    if (!pending_.hasKept()) return;
    const auto storedSession = currentSession_;
    const auto storedHistory = historyEntries_;
    pending_.replay();
    if (!(currentSession_ == storedSession)) writeCurrentSession();
    if (!(historyEntries_ == storedHistory)) writeHistory();
}

template <class Change> void PracticeProgressStore::change(Change apply) {
    pending_.apply([this, apply] { apply(*this); });
}

void PracticeProgressStore::sortAndTrimHistory() { sortAndTrim(historyEntries_, maximumHistoryCount_); }

void PracticeProgressStore::writeHistory() {
    if (pending_.holdsWrites()) return;
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

void PracticeProgressStore::writeCurrentSession() {
    if (pending_.holdsWrites()) return;
    if (currentSession_) storeRecord(defaults_, currentSessionKey, *currentSession_);
    else defaults_.remove(currentSessionKey);
}

void PracticeProgressStore::saveCurrentSession(const PersistedPracticeSession& session) {
    change([session](PracticeProgressStore& store) {
        store.currentSession_ = session;
        store.writeCurrentSession();
    });
}

void PracticeProgressStore::clearCurrentSession() {
    change([](PracticeProgressStore& store) {
        store.currentSession_.reset();
        store.writeCurrentSession();
    });
}

void PracticeProgressStore::upsertHistory(const PracticeHistoryEntry& entry) {
    change([entry](PracticeProgressStore& store) {
        std::erase_if(store.historyEntries_, [&](const PracticeHistoryEntry& e) { return e.id() == entry.id(); });
        store.historyEntries_.push_back(entry);
        store.sortAndTrimHistory();
        store.writeHistory();
    });
}

void PracticeProgressStore::removeProgress(const std::string& song) {
    change([song](PracticeProgressStore& store) {
        std::erase_if(store.historyEntries_,
                      [&](const PracticeHistoryEntry& e) { return e.songReference().stableID() == song; });
        store.writeHistory();
        if (store.currentSession_ && store.currentSession_->songReference().stableID() == song) {
            store.currentSession_.reset();
            store.writeCurrentSession();
        }
    });
}

void PracticeProgressStore::removeAllProgress() {
    change([](PracticeProgressStore& store) {
        store.historyEntries_.clear();
        store.writeHistory();
        store.currentSession_.reset();
        store.writeCurrentSession();
    });
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
