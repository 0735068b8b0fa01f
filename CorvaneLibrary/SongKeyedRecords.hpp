#pragma once

#include "CorvaneDomain/JSONCoding.hpp"

#include <map>
#include <string>
#include <vector>

namespace corvane {

// Per-song lists of records, stored as one JSON object whose member names are
// the song keys. One record that cannot be decoded fails the whole object.
template <class T> using SongKeyedRecords = std::map<std::string, std::vector<T>>;

template <class T> struct SongKeyedRecordsDocument {
    SongKeyedRecords<T> records;
};

template <class T> struct JSONCoder<SongKeyedRecordsDocument<T>> {
    static nlohmann::json encode(const SongKeyedRecordsDocument<T>& document, const std::string& codingPath) {
        JSONObjectWriter writer(codingPath);
        for (const auto& [song, list] : document.records) writer.write(song, list);
        return writer.take();
    }
    static SongKeyedRecordsDocument<T> decode(const nlohmann::json& json, const std::string& codingPath) {
        const JSONObjectReader reader(json, codingPath);
        SongKeyedRecordsDocument<T> document;
        for (const auto& [song, list] : json.items())
            document.records.emplace(song, reader.template required<std::vector<T>>(song));
        return document;
    }
};

} // namespace corvane
