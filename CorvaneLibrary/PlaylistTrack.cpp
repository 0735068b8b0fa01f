#include "CorvaneLibrary/PlaylistTrack.hpp"

#include "CorvaneDomain/HashCombine.hpp"
#include "CorvaneDomain/StandardizedPath.hpp"

#include <functional>

namespace corvane {

PlaylistTrack::PlaylistTrack(std::string title, std::string relativePath, std::string fileURL)
    : id(standardizedPath(fileURL)), title(std::move(title)), relativePath(std::move(relativePath)),
      fileURL(std::move(fileURL)) {}

std::size_t PlaylistTrackHash::operator()(const PlaylistTrack& track) const {
    std::size_t seed = 0;
    for (const std::string* field : {&track.id, &track.title, &track.relativePath, &track.fileURL})
        hashCombine(seed, std::hash<std::string>{}(*field));
    return seed;
}

} // namespace corvane
