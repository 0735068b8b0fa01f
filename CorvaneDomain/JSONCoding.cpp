#include "CorvaneDomain/JSONCoding.hpp"

#include <cmath>
#include <limits>

#include "CorvaneDomain/Base64.hpp"

namespace corvane {

namespace {

[[noreturn]] void throwTypeMismatch(const nlohmann::json& json, const std::string& codingPath, const char* expected)
{
    throw JSONDecodingError(JSONDecodingError::TypeMismatch{
        codingPath, expected,
        std::string("Expected to decode ") + expected + " but found " + jsonTypeName(json) + " instead."});
}

} // namespace

std::string codingPathAppending(const std::string& codingPath, std::string_view key)
{
    if (codingPath.empty()) return std::string(key);
    return codingPath + "." + std::string(key);
}

std::string codingPathAppending(const std::string& codingPath, std::size_t index)
{
    return codingPath + "[" + std::to_string(index) + "]";
}

std::string jsonTypeName(const nlohmann::json& json)
{
    if (json.is_number()) return "number";
    return json.type_name();
}

std::string jsonText(const nlohmann::json& json)
{
    try {
        return json.dump();
    } catch (const nlohmann::json::type_error&) {
        throw JSONEncodingError(JSONEncodingError::InvalidValue{{}, "A string is not valid UTF-8."});
    }
}

nlohmann::json parseJSONText(std::string_view text)
{
    auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded())
        throw JSONDecodingError(JSONDecodingError::DataCorrupted{{}, "The given data was not valid JSON."});
    return json;
}

JSONObjectReader::JSONObjectReader(const nlohmann::json& json, std::string codingPath)
    : json_(json), codingPath_(std::move(codingPath))
{
    if (!json_.is_object()) throwTypeMismatch(json_, codingPath_, "object");
}

const nlohmann::json* JSONObjectReader::member(std::string_view key) const
{
    const auto it = json_.find(key);
    return it == json_.end() ? nullptr : &*it;
}

const nlohmann::json* JSONObjectReader::presentMember(std::string_view key) const
{
    const auto* value = member(key);
    return value && !value->is_null() ? value : nullptr;
}

bool JSONCoder<bool>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    if (!json.is_boolean()) throwTypeMismatch(json, codingPath, "Bool");
    return json.get<bool>();
}

nlohmann::json JSONCoder<double>::encode(double value, const std::string& codingPath)
{
    if (!std::isfinite(value))
        throw JSONEncodingError(JSONEncodingError::InvalidValue{
            codingPath, "Unable to encode " + std::to_string(value) + " directly in JSON."});
    return value;
}

double JSONCoder<double>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    if (!json.is_number()) throwTypeMismatch(json, codingPath, "Double");
    const double value = json.get<double>();
    if (!std::isfinite(value))
        throw JSONDecodingError(JSONDecodingError::DataCorrupted{
            codingPath, "Parsed JSON number does not fit in Double."});
    return value;
}

std::int64_t JSONCoder<std::int64_t>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    if (json.is_number_unsigned()) {
        const auto value = json.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw JSONDecodingError(JSONDecodingError::DataCorrupted{
                codingPath, "Parsed JSON number <" + std::to_string(value) + "> does not fit in Int64."});
        return static_cast<std::int64_t>(value);
    }
    if (json.is_number_integer()) return json.get<std::int64_t>();
    if (json.is_number_float()) {
        // "2.0" is an integer written with a fraction; "2.5" is not an integer.
        const double value = json.get<double>();
        if (value == std::trunc(value) && value >= -9223372036854775808.0 && value < 9223372036854775808.0)
            return static_cast<std::int64_t>(value);
        throw JSONDecodingError(JSONDecodingError::DataCorrupted{
            codingPath, "Parsed JSON number <" + json.dump() + "> does not fit in Int64."});
    }
    throwTypeMismatch(json, codingPath, "Int64");
}

std::string JSONCoder<std::string>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    if (!json.is_string()) throwTypeMismatch(json, codingPath, "String");
    return json.get<std::string>();
}

nlohmann::json JSONCoder<Date>::encode(Date value, const std::string& codingPath)
{
    return JSONCoder<double>::encode(value.secondsSinceReferenceDate, codingPath);
}

Date JSONCoder<Date>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    return Date{JSONCoder<double>::decode(json, codingPath)};
}

UUID JSONCoder<UUID>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const auto text = JSONCoder<std::string>::decode(json, codingPath);
    if (auto uuid = UUID::fromString(text)) return *uuid;
    throw JSONDecodingError(JSONDecodingError::DataCorrupted{
        codingPath, "Attempted to decode UUID from invalid UUID string."});
}

nlohmann::json JSONCoder<std::vector<std::uint8_t>>::encode(const std::vector<std::uint8_t>& value, const std::string&)
{
    return base64Encoded(value);
}

std::vector<std::uint8_t> JSONCoder<std::vector<std::uint8_t>>::decode(const nlohmann::json& json,
                                                                      const std::string& codingPath)
{
    const auto text = JSONCoder<std::string>::decode(json, codingPath);
    if (auto bytes = base64Decoded(text)) return std::move(*bytes);
    throw JSONDecodingError(JSONDecodingError::DataCorrupted{codingPath, "Encountered Data is not valid Base64."});
}

std::string_view soleCaseKey(const JSONObjectReader& object, std::initializer_list<std::string_view> caseKeys)
{
    std::string_view found;
    int count = 0;
    for (auto key : caseKeys)
        if (object.member(key)) {
            found = key;
            ++count;
        }
    if (count != 1)
        throw JSONDecodingError(JSONDecodingError::TypeMismatch{
            object.codingPath(), "enumeration case", "Invalid number of keys found, expected one."});
    return found;
}

} // namespace corvane
