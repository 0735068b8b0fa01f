#include "CorvaneDomain/PracticeSongReference.hpp"

#include <functional>
#include <string_view>

#include "CorvaneDomain/HashCombine.hpp"
#include "CorvaneDomain/Overloaded.hpp"
#include "CorvaneDomain/StandardizedPath.hpp"

namespace corvane {

std::string PracticeSongReference::stableID() const
{
    return std::visit(Overloaded{
                          [](const BundledDemo& demo) { return "demo:" + demo.id; },
                          [](const ExternalFile& file) { return "file:" + standardizedPath(file.path); },
                      },
                      value);
}

std::size_t PracticeSongReferenceHash::operator()(const PracticeSongReference& reference) const
{
    // Case position, the string, then for files the bookmark's presence and bytes.
    std::size_t hash = reference.value.index();
    std::visit(Overloaded{
                   [&](const PracticeSongReference::BundledDemo& demo) {
                       hashCombine(hash, std::hash<std::string>{}(demo.id));
                   },
                   [&](const PracticeSongReference::ExternalFile& file) {
                       hashCombine(hash, std::hash<std::string>{}(file.path));
                       hashCombine(hash, file.bookmarkData ? 1 : 0);
                       if (file.bookmarkData)
                           hashCombine(hash, std::hash<std::string_view>{}(std::string_view(
                               reinterpret_cast<const char*>(file.bookmarkData->data()), file.bookmarkData->size())));
                   },
               },
               reference.value);
    return hash;
}

nlohmann::json JSONCoder<PracticeSongReference>::encode(const PracticeSongReference& value,
                                                        const std::string& codingPath)
{
    JSONObjectWriter outer(codingPath);
    std::visit(Overloaded{
                   [&](const PracticeSongReference::BundledDemo& demo) {
                       JSONObjectWriter inner(codingPathAppending(codingPath, "bundledDemo"));
                       inner.write("id", demo.id);
                       outer.writeJSON("bundledDemo", inner.take());
                   },
                   [&](const PracticeSongReference::ExternalFile& file) {
                       JSONObjectWriter inner(codingPathAppending(codingPath, "externalFile"));
                       inner.write("path", file.path);
                       inner.writeIfPresent("bookmarkData", file.bookmarkData);
                       outer.writeJSON("externalFile", inner.take());
                   },
               },
               value.value);
    return outer.take();
}

PracticeSongReference JSONCoder<PracticeSongReference>::decode(const nlohmann::json& json,
                                                               const std::string& codingPath)
{
    const JSONObjectReader outer(json, codingPath);
    const auto key = soleCaseKey(outer, {"bundledDemo", "externalFile"});
    const JSONObjectReader inner(*outer.member(key), outer.codingPath(key));
    if (key == "bundledDemo") return PracticeSongReference::BundledDemo{inner.required<std::string>("id")};
    auto path = inner.required<std::string>("path");
    auto bookmark = inner.optional<std::vector<std::uint8_t>>("bookmarkData");
    return PracticeSongReference::ExternalFile{std::move(path), std::move(bookmark)};
}

} // namespace corvane
