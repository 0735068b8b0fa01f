#include "CorvaneDomain/BackgroundImageReference.hpp"

namespace corvane {

nlohmann::json JSONCoder<BackgroundImageReference>::encode(const BackgroundImageReference& value,
                                                           const std::string& codingPath)
{
    JSONObjectWriter object(codingPath);
    object.write("path", value.path);
    object.writeIfPresent("bookmarkData", value.bookmarkData);
    return object.take();
}

BackgroundImageReference JSONCoder<BackgroundImageReference>::decode(const nlohmann::json& json,
                                                                     const std::string& codingPath)
{
    const JSONObjectReader object(json, codingPath);
    auto path = object.required<std::string>("path");
    auto bookmarkData = object.optional<std::vector<std::uint8_t>>("bookmarkData");
    return {std::move(path), std::move(bookmarkData)};
}

} // namespace corvane
