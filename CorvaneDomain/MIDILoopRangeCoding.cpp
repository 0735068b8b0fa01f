#include "CorvaneDomain/MIDILoopRangeCoding.hpp"

namespace corvane {

nlohmann::json JSONCoder<MIDILoopRange>::encode(const MIDILoopRange& value, const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("startSeconds", value.startSeconds);
    object.write("endSeconds", value.endSeconds);
    return object.take();
}

MIDILoopRange JSONCoder<MIDILoopRange>::decode(const nlohmann::json& json, const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    const auto startSeconds = object.required<double>("startSeconds");
    const auto endSeconds = object.required<double>("endSeconds");
    return {startSeconds, endSeconds};
}

} // namespace corvane
