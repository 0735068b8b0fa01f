#include "CorvaneLibrary/LibrarySongReference.hpp"

#include "CorvaneDomain/HashCombine.hpp"
#include "CorvaneDomain/Overloaded.hpp"
#include "CorvaneDomain/PracticeSongReference.hpp"

#include <functional>
#include <string_view>

namespace corvane {

// Demo pieces and external files take the practice records' key, so that
// both always name a song alike.
std::string LibrarySongReference::stableID() const {
    return std::visit(Overloaded{
                          [](const BundledDemo& demo) {
                              return PracticeSongReference::bundledDemo(demo.id).stableID();
                          },
                          [](const SourceTrack& track) {
                              return "source:" + track.sourceID.uuidString() + ":" + track.relativePath;
                          },
                          [](const ExternalFile& file) {
                              return PracticeSongReference::externalFile(file.path).stableID();
                          },
                      },
                      value);
}

std::size_t LibrarySongReferenceHash::operator()(const LibrarySongReference& reference) const {
    std::size_t seed = 0;
    hashCombine(seed, reference.value.index());
    std::visit(Overloaded{
                   [&](const LibrarySongReference::BundledDemo& demo) {
                       hashCombine(seed, std::hash<std::string>{}(demo.id));
                   },
                   [&](const LibrarySongReference::SourceTrack& track) {
                       hashCombine(seed, UUIDHash{}(track.sourceID));
                       hashCombine(seed, std::hash<std::string>{}(track.relativePath));
                   },
                   [&](const LibrarySongReference::ExternalFile& file) {
                       hashCombine(seed, std::hash<std::string>{}(file.path));
                       hashCombine(seed, file.bookmarkData ? 1 : 0);
                       if (file.bookmarkData) {
                           const auto& bytes = *file.bookmarkData;
                           hashCombine(seed, std::hash<std::string_view>{}(std::string_view(
                                                 reinterpret_cast<const char*>(bytes.data()), bytes.size())));
                       }
                   },
               },
               reference.value);
    return seed;
}

nlohmann::json JSONCoder<LibrarySongReference>::encode(const LibrarySongReference& reference,
                                                       const std::string& codingPath) {
    JSONObjectWriter outer(codingPath);
    std::visit(Overloaded{
                   [&](const LibrarySongReference::BundledDemo& demo) {
                       JSONObjectWriter inner(codingPathAppending(codingPath, "bundledDemo"));
                       inner.write("id", demo.id);
                       outer.writeJSON("bundledDemo", inner.take());
                   },
                   [&](const LibrarySongReference::SourceTrack& track) {
                       JSONObjectWriter inner(codingPathAppending(codingPath, "sourceTrack"));
                       inner.write("sourceID", track.sourceID);
                       inner.write("relativePath", track.relativePath);
                       outer.writeJSON("sourceTrack", inner.take());
                   },
                   [&](const LibrarySongReference::ExternalFile& file) {
                       JSONObjectWriter inner(codingPathAppending(codingPath, "externalFile"));
                       inner.write("path", file.path);
                       inner.writeIfPresent("bookmarkData", file.bookmarkData);
                       outer.writeJSON("externalFile", inner.take());
                   },
               },
               reference.value);
    return outer.take();
}

LibrarySongReference JSONCoder<LibrarySongReference>::decode(const nlohmann::json& json,
                                                             const std::string& codingPath) {
    const JSONObjectReader outer(json, codingPath);
    const auto key = soleCaseKey(outer, {"bundledDemo", "sourceTrack", "externalFile"});
    const JSONObjectReader inner(*outer.member(key), outer.codingPath(key));
    if (key == "bundledDemo") return LibrarySongReference::bundledDemo(inner.required<std::string>("id"));
    if (key == "sourceTrack") {
        auto sourceID = inner.required<UUID>("sourceID");
        return LibrarySongReference::sourceTrack(sourceID, inner.required<std::string>("relativePath"));
    }
    auto path = inner.required<std::string>("path");
    return LibrarySongReference::externalFile(std::move(path),
                                              inner.optional<std::vector<std::uint8_t>>("bookmarkData"));
}

} // namespace corvane
