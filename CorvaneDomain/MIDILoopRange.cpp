#include "CorvaneDomain/MIDILoopRange.hpp"

#include <nlohmann/json.hpp>

namespace corvane {

namespace {

double requiredNumber(const nlohmann::json& json, const char* key)
{
    if (!json.is_object()) throw nlohmann::json::type_error::create(302, "expected an object", &json);
    auto it = json.find(key);
    if (it == json.end()) throw nlohmann::json::out_of_range::create(403, std::string("key '") + key + "' not found", &json);
    if (!it->is_number()) throw nlohmann::json::type_error::create(302, std::string("'") + key + "' is not a number", &json);
    return it->get<double>();
}

} // namespace

void to_json(nlohmann::json& json, const MIDILoopRange& range)
{
    json = nlohmann::json{{"startSeconds", range.startSeconds}, {"endSeconds", range.endSeconds}};
}

void from_json(const nlohmann::json& json, MIDILoopRange& range)
{
    range = MIDILoopRange{requiredNumber(json, "startSeconds"), requiredNumber(json, "endSeconds")};
}

} // namespace corvane
