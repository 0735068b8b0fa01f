#pragma once

#include "CorvaneLibrary/DefaultsStore.hpp"

#include "CorvaneDomain/JSONCoding.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Reading and writing the JSON records the library stores keep as data values
// in the defaults store.

// The record decoded from its bytes, or absent when they are not a valid
// record of that type (no exception escapes).
template <class T> std::optional<T> decodedRecord(const std::vector<std::uint8_t>& bytes) {
    try {
        return decodeJSONText<T>(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const JSONDecodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// The record's JSON bytes, or absent when it cannot be encoded (a number that
// JSON cannot hold). Text that is not valid UTF-8 is written with
// replacement characters rather than refused.
template <class T> std::optional<std::vector<std::uint8_t>> encodedRecord(const T& record) {
    try {
        const std::string text = encodeJSON(record).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return std::vector<std::uint8_t>(text.begin(), text.end());
    } catch (const JSONEncodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// The key under which the bytes of an unreadable record are kept: the first
// copy under "<key>.unreadable", later ones under "<key>.unreadable-2", -3, …
std::string unreadableRecordKey(const std::string& key, int copy = 1);

// Keeps a copy of a record that could not be decoded, so that the next save
// of the key does not destroy what could not be read. Earlier copies of the
// key stay; bytes already kept under one of them are not kept twice. Returns
// the key of the copy.
std::string keepUnreadableRecord(DefaultsStore& defaults, const std::string& key,
                                 const std::vector<std::uint8_t>& bytes);

// The record stored under `key`, or absent when there is none or it cannot be
// decoded; an undecodable one is kept aside first.
template <class T> std::optional<T> restoredRecord(DefaultsStore& defaults, const std::string& key) {
    const auto bytes = defaults.dataValue(key);
    if (!bytes) return std::nullopt;
    auto record = decodedRecord<T>(*bytes);
    if (!record) keepUnreadableRecord(defaults, key, *bytes);
    return record;
}

// Stores the record under `key`; false, with nothing written, when it cannot
// be encoded.
template <class T> bool storeRecord(DefaultsStore& defaults, const std::string& key, const T& record) {
    const auto bytes = encodedRecord(record);
    if (bytes) defaults.setData(key, *bytes);
    return bytes.has_value();
}

} // namespace corvane
