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

// One song's member of the stored object, exactly as encoding the whole
// object writes it (keys in order, no spaces, bad UTF-8 replaced); absent
// when the list cannot be encoded.
std::optional<std::string> encodedMember(const std::string& song, const std::vector<PracticeLoopBookmark>& list) {
    try {
        constexpr auto replace = nlohmann::json::error_handler_t::replace;
        return nlohmann::json(song).dump(-1, ' ', false, replace) + ':' +
               encodeJSON(list, codingPathAppending({}, song)).dump(-1, ' ', false, replace);
    } catch (const JSONEncodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

PracticeLoopStore::Records PracticeLoopStore::read(DefaultsStore& defaults) {
    Records records;
    if (auto document = restoredRecord<SongKeyedRecordsDocument<PracticeLoopBookmark>>(defaults, storageKey))
        records.bookmarksBySong = std::move(document->records);
    // Encoded now, while the application starts, rather than by the first save during playback.
    for (const auto& [song, list] : records.bookmarksBySong)
        if (auto text = encodedMember(song, list)) records.encodedSongs.emplace(song, std::move(*text));
    return records;
}

PracticeLoopStore::PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong)
    : defaults_(defaults), maximumPerSong_(std::max<std::int64_t>(maximumPerSong, 1)) {
    Records records = read(defaults_);
    bookmarksBySong_ = std::move(records.bookmarksBySong);
    encodedSongs_ = std::move(records.encodedSongs);
}

PracticeLoopStore::PracticeLoopStore(DefaultsStore& defaults, std::int64_t maximumPerSong, RecordsArriveLater)
    : defaults_(defaults), maximumPerSong_(std::max<std::int64_t>(maximumPerSong, 1)), pending_(true) {}

void PracticeLoopStore::adopt(Records records) {
    if (!pending_.arrive()) return;
    bookmarksBySong_ = std::move(records.bookmarksBySong);
    encodedSongs_ = std::move(records.encodedSongs);
    if (pending_.replay()) write();
}

template <class Change> auto PracticeLoopStore::change(Change apply) {
    return pending_.apply([this, apply] { return apply(*this); });
}

std::vector<PracticeLoopBookmark> PracticeLoopStore::bookmarks(const std::string& song) const {
    auto it = bookmarksBySong_.find(song);
    return it == bookmarksBySong_.end() ? std::vector<PracticeLoopBookmark>{} : it->second;
}

bool PracticeLoopStore::add(const PracticeLoopBookmark& bookmark, const std::string& song) {
    return change([bookmark, song](PracticeLoopStore& store) { return store.addNow(bookmark, song); });
}

bool PracticeLoopStore::addNow(const PracticeLoopBookmark& bookmark, const std::string& song) {
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
    const auto limit = pending_.isReplaying() ? order.size() : static_cast<std::size_t>(maximumPerSong_);
    if (order.size() > limit) order.resize(limit);
    const bool kept = std::find(order.begin(), order.end(), position) != order.end();

    std::vector<PracticeLoopBookmark> sorted;
    sorted.reserve(order.size());
    for (const auto i : order) sorted.push_back(list[i]);
    bookmarksBySong_.insert_or_assign(song, std::move(sorted));
    persist(song);
    return kept;
}

void PracticeLoopStore::remove(const UUID& id, const std::string& song) {
    change([id, song](PracticeLoopStore& store) { store.removeNow(id, song); });
}

void PracticeLoopStore::removeNow(const UUID& id, const std::string& song) {
    auto it = bookmarksBySong_.find(song);
    if (it == bookmarksBySong_.end()) return;
    std::erase_if(it->second, [&](const PracticeLoopBookmark& b) { return b.id() == id; });
    if (it->second.empty()) bookmarksBySong_.erase(it);
    persist(song);
}

template <class Change>
void PracticeLoopStore::changeBookmark(const UUID& id, const std::string& song, Change change) {
    auto it = bookmarksBySong_.find(song);
    if (it == bookmarksBySong_.end()) return;
    auto found = std::find_if(it->second.begin(), it->second.end(),
                              [&](const PracticeLoopBookmark& b) { return b.id() == id; });
    if (found == it->second.end()) return;
    change(*found);
    persist(song);
}

void PracticeLoopStore::rename(const UUID& id, const std::string& name, const std::string& song) {
    change([id, name, song](PracticeLoopStore& store) {
        store.changeBookmark(id, song, [&](PracticeLoopBookmark& b) { b.name = name; });
    });
}

void PracticeLoopStore::updateProgress(const UUID& id, const PracticeMetrics& metrics, std::int64_t repetitions,
                                       Date lastPracticedAt, const std::string& song) {
    change([id, metrics, repetitions, lastPracticedAt, song](PracticeLoopStore& store) {
        store.changeBookmark(id, song, [&](PracticeLoopBookmark& b) {
            b.metrics = metrics;
            b.repetitions = repetitions;
            b.lastPracticedAt = lastPracticedAt;
        });
    });
}

void PracticeLoopStore::resetProgress(const UUID& id, const std::string& song) {
    change([id, song](PracticeLoopStore& store) { store.changeBookmark(id, song, clearProgress); });
}

void PracticeLoopStore::resetAllProgress() {
    change([](PracticeLoopStore& store) {
        for (auto& [song, list] : store.bookmarksBySong_)
            for (auto& bookmark : list) clearProgress(bookmark);
        store.persist(std::nullopt);
    });
}

void PracticeLoopStore::persist(const std::optional<std::string>& changedSong) {
    if (changedSong) encodedSongs_.erase(*changedSong);
    else encodedSongs_.clear();
    if (pending_.holdsWrites()) return;
    write();
}

void PracticeLoopStore::write() {
    std::size_t length = 2;
    for (const auto& [song, list] : bookmarksBySong_) {
        auto member = encodedSongs_.find(song);
        if (member == encodedSongs_.end()) {
            auto text = encodedMember(song, list);
            // As when the whole object failed to encode: nothing is written.
            if (!text) return;
            member = encodedSongs_.emplace(song, std::move(*text)).first;
        }
        length += member->second.size() + 1;
    }
    std::vector<std::uint8_t> document;
    document.reserve(length);
    document.push_back('{');
    for (const auto& [song, list] : bookmarksBySong_) {
        if (document.size() > 1) document.push_back(',');
        const std::string& member = encodedSongs_.at(song);
        document.insert(document.end(), member.begin(), member.end());
    }
    document.push_back('}');
    defaults_.setData(storageKey, std::move(document));
}

} // namespace corvane
