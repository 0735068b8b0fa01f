#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/JSONCodingError.hpp"
#include "CorvaneDomain/RawValueEnum.hpp"
#include "CorvaneDomain/UUID.hpp"

namespace corvane {

// The one JSON form of every stored record. Each record type specialises
// JSONCoder<T> with
//     static nlohmann::json encode(const T&, const std::string& codingPath);
//     static T decode(const nlohmann::json&, const std::string& codingPath);
// Encoding throws JSONEncodingError, decoding JSONDecodingError; nothing
// else escapes. Member names equal the field names.
template <class T> struct JSONCoder;

template <class T> nlohmann::json encodeJSON(const T& value, const std::string& codingPath = {})
{
    return JSONCoder<T>::encode(value, codingPath);
}

template <class T> T decodeJSON(const nlohmann::json& json, const std::string& codingPath = {})
{
    return JSONCoder<T>::decode(json, codingPath);
}

// JSON text of a JSON value; text that is not valid UTF-8 (a Linux file name
// may hold any bytes) is refused with JSONEncodingError rather than altered.
std::string jsonText(const nlohmann::json& json);
// JSON text of a record; throws JSONEncodingError.
template <class T> std::string encodeJSONText(const T& value) { return jsonText(encodeJSON(value)); }

// Parses JSON text (text that is not JSON is DataCorrupted) and decodes it.
nlohmann::json parseJSONText(std::string_view text);
template <class T> T decodeJSONText(std::string_view text) { return decodeJSON<T>(parseJSONText(text)); }

std::string codingPathAppending(const std::string& codingPath, std::string_view key);
std::string codingPathAppending(const std::string& codingPath, std::size_t index);
// Name of a JSON value's type for error reports ("string", "number", ...).
std::string jsonTypeName(const nlohmann::json& json);

// Reads the members of one JSON object. Construction fails unless the value is an object.
class JSONObjectReader {
public:
    JSONObjectReader(const nlohmann::json& json, std::string codingPath);

    const std::string& codingPath() const { return codingPath_; }
    std::string codingPath(std::string_view key) const { return codingPathAppending(codingPath_, key); }

    // The member, or null when missing.
    const nlohmann::json* member(std::string_view key) const;
    // Missing or null: absent.
    const nlohmann::json* presentMember(std::string_view key) const;

    // Missing is KeyNotFound, null is ValueNotFound.
    template <class T> T required(std::string_view key) const
    {
        const auto* value = member(key);
        if (!value) throw JSONDecodingError(JSONDecodingError::KeyNotFound{codingPath_, std::string(key)});
        if (value->is_null())
            throw JSONDecodingError(JSONDecodingError::ValueNotFound{codingPath(key), "value"});
        return decodeJSON<T>(*value, codingPath(key));
    }

    // Missing or null: absent; anything else must decode.
    template <class T> std::optional<T> optional(std::string_view key) const
    {
        const auto* value = presentMember(key);
        if (!value) return std::nullopt;
        return decodeJSON<T>(*value, codingPath(key));
    }

    // Missing or null: `fallback`; anything else must decode.
    template <class T> T optional(std::string_view key, T fallback) const
    {
        auto value = optional<T>(key);
        return value ? std::move(*value) : std::move(fallback);
    }

private:
    const nlohmann::json& json_;
    std::string codingPath_;
};

// Builds one JSON object; member values are encoded with their coders.
class JSONObjectWriter {
public:
    explicit JSONObjectWriter(std::string codingPath) : codingPath_(std::move(codingPath)) {}

    template <class T> void write(std::string_view key, const T& value)
    {
        json_[std::string(key)] = encodeJSON(value, codingPathAppending(codingPath_, key));
    }
    // Left out when absent.
    template <class T> void writeIfPresent(std::string_view key, const std::optional<T>& value)
    {
        if (value) write(key, *value);
    }
    void writeJSON(std::string_view key, nlohmann::json value) { json_[std::string(key)] = std::move(value); }

    nlohmann::json take() { return std::move(json_); }

private:
    std::string codingPath_;
    nlohmann::json json_ = nlohmann::json::object();
};

// Primitive forms.

template <> struct JSONCoder<bool> {
    static nlohmann::json encode(bool value, const std::string&) { return value; }
    static bool decode(const nlohmann::json& json, const std::string& codingPath);
};

// Non-finite numbers refuse to encode (JSON has none); decoding accepts any JSON number.
template <> struct JSONCoder<double> {
    static nlohmann::json encode(double value, const std::string& codingPath);
    static double decode(const nlohmann::json& json, const std::string& codingPath);
};

// A number with a fraction, or one beyond 64 bits, fails to decode.
template <> struct JSONCoder<std::int64_t> {
    static nlohmann::json encode(std::int64_t value, const std::string&) { return value; }
    static std::int64_t decode(const nlohmann::json& json, const std::string& codingPath);
};

template <> struct JSONCoder<std::string> {
    static nlohmann::json encode(const std::string& value, const std::string&) { return value; }
    static std::string decode(const nlohmann::json& json, const std::string& codingPath);
};

// Seconds since 2001-01-01 00:00:00 UTC.
template <> struct JSONCoder<Date> {
    static nlohmann::json encode(Date value, const std::string& codingPath);
    static Date decode(const nlohmann::json& json, const std::string& codingPath);
};

// Written upper-case, read in any case.
template <> struct JSONCoder<UUID> {
    static nlohmann::json encode(const UUID& value, const std::string&) { return value.uuidString(); }
    static UUID decode(const nlohmann::json& json, const std::string& codingPath);
};

// Bytes: one padded Base64 string, decoded strictly.
template <> struct JSONCoder<std::vector<std::uint8_t>> {
    static nlohmann::json encode(const std::vector<std::uint8_t>& value, const std::string&);
    static std::vector<std::uint8_t> decode(const nlohmann::json& json, const std::string& codingPath);
};

// Other arrays: a JSON array, every element required.
template <class T> struct JSONCoder<std::vector<T>> {
    static nlohmann::json encode(const std::vector<T>& values, const std::string& codingPath)
    {
        auto array = nlohmann::json::array();
        for (std::size_t i = 0; i < values.size(); ++i)
            array.push_back(encodeJSON(values[i], codingPathAppending(codingPath, i)));
        return array;
    }
    static std::vector<T> decode(const nlohmann::json& json, const std::string& codingPath)
    {
        if (!json.is_array())
            throw JSONDecodingError(JSONDecodingError::TypeMismatch{
                codingPath, "array", "Expected to decode an array but found " + jsonTypeName(json) + " instead."});
        std::vector<T> values;
        values.reserve(json.size());
        for (std::size_t i = 0; i < json.size(); ++i) {
            const auto elementPath = codingPathAppending(codingPath, i);
            if (json[i].is_null())
                throw JSONDecodingError(JSONDecodingError::ValueNotFound{elementPath, "value"});
            values.push_back(decodeJSON<T>(json[i], elementPath));
        }
        return values;
    }
};

// Enumerations without payloads: their raw strings; an unknown string fails.
template <RawValueEnumeration E> struct JSONCoder<E> {
    static nlohmann::json encode(E value, const std::string&) { return std::string(rawValue(value)); }
    static E decode(const nlohmann::json& json, const std::string& codingPath)
    {
        const auto text = decodeJSON<std::string>(json, codingPath);
        if (auto value = fromRawValue<E>(text)) return *value;
        throw JSONDecodingError(JSONDecodingError::DataCorrupted{
            codingPath, "Cannot initialize enumeration from invalid String value " + text});
    }
};

// Enumerations with payloads: an object with exactly one known case member.
// Returns the name of that member; other members are ignored.
std::string_view soleCaseKey(const JSONObjectReader& object, std::initializer_list<std::string_view> caseKeys);

} // namespace corvane
