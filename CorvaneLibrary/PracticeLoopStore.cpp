#include "CorvaneLibrary/PracticeLoopStore.hpp"

#include "CorvaneLibrary/StoredRecord.hpp"

#include <algorithm>

namespace corvane {

namespace {

void clearProgress(PracticeLoopBookmark& bookmark) {
    bookmark.metrics = PracticeMetrics::zero();
    bookmark.repetitions = 0;
    bookmark.lastPracticedAt.reset();
}

} // namespace

PracticeLoopStore::PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong)
    : defaults_(defaults), maximumPerSong_(std::max<std::int64_t>(maximumPerSong, 1)) {
    if (auto document = restoredRecord<SongKeyedRecordsDocument<PracticeLoopBookmark>>(defaults_, storageKey))
        bookmarksBySong_ = std::move(document->records);
}

std::vector<PracticeLoopBookmark> PracticeLoopStore::bookmarks(const std::string& song) const {
    auto it = bookmarksBySong_.find(song);
    return it == bookmarksBySong_.end() ? std::vector<PracticeLoopBookmark>{} : it->second;
}

bool PracticeLoopStore::add(const PracticeLoopBookmark& bookmark, const std::string& song) {
    auto list = bookmarks(song);
    auto same = std::find_if(list.begin(), list.end(), [&](const PracticeLoopBookmark& b) {
        return b.startMeasure == bookmark.startMeasure && b.endMeasure == bookmark.endMeasure;
    });
    std::size_t position;
    if (same != list.end()) {
        *same = bookmark;
        position = static_cast<std::size_t>(same - list.begin());
    } else {
        list.push_back(bookmark);
        position = list.size() - 1;
    }
    // Sort indices so that the new bookmark can be followed through the sort.
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return list[a].startMeasure < list[b].startMeasure;
    });
    const auto limit = static_cast<std::size_t>(maximumPerSong_);
    if (order.size() > limit) order.resize(limit);
    const bool kept = std::find(order.begin(), order.end(), position) != order.end();

    std::vector<PracticeLoopBookmark> sorted;
    sorted.reserve(order.size());
    for (const auto i : order) sorted.push_back(list[i]);
    bookmarksBySong_.insert_or_assign(song, std::move(sorted));
    persist();
    return kept;
}

void PracticeLoopStore::remove(const UUID& id, const std::string& song) {
    auto it = bookmarksBySong_.find(song);
    if (it == bookmarksBySong_.end()) return;
    std::erase_if(it->second, [&](const PracticeLoopBookmark& b) { return b.id() == id; });
    if (it->second.empty()) bookmarksBySong_.erase(it);
    persist();
}

template <class Change>
void PracticeLoopStore::changeBookmark(const UUID& id, const std::string& song, Change change) {
    auto it = bookmarksBySong_.find(song);
    if (it == bookmarksBySong_.end()) return;
    auto found = std::find_if(it->second.begin(), it->second.end(),
                              [&](const PracticeLoopBookmark& b) { return b.id() == id; });
    if (found == it->second.end()) return;
    change(*found);
    persist();
}

void PracticeLoopStore::rename(const UUID& id, const std::string& name, const std::string& song) {
    changeBookmark(id, song, [&](PracticeLoopBookmark& b) { b.name = name; });
}

void PracticeLoopStore::updateProgress(const UUID& id, const PracticeMetrics& metrics, std::int64_t repetitions,
                                       Date lastPracticedAt, const std::string& song) {
    changeBookmark(id, song, [&](PracticeLoopBookmark& b) {
        b.metrics = metrics;
        b.repetitions = repetitions;
        b.lastPracticedAt = lastPracticedAt;
    });
}

void PracticeLoopStore::resetProgress(const UUID& id, const std::string& song) {
    changeBookmark(id, song, clearProgress);
}

void PracticeLoopStore::resetAllProgress() {
    for (auto& [song, list] : bookmarksBySong_)
        for (auto& bookmark : list) clearProgress(bookmark);
    persist();
}

void PracticeLoopStore::persist() {
    storeRecord(defaults_, storageKey, SongKeyedRecordsDocument<PracticeLoopBookmark>{bookmarksBySong_});
}

} // namespace corvane
