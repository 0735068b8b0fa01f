#include "CorvaneLibrary/PlaylistTrack.hpp"

#include "CorvaneDomain/StandardizedPath.hpp"

#include <functional>

namespace corvane {

PlaylistTrack::PlaylistTrack(std::string title, std::string relativePath, std::string fileURL)
    : id(standardizedPath(fileURL)), title(std::move(title)), relativePath(std::move(relativePath)),
      fileURL(std::move(fileURL)) {}

std::size_t PlaylistTrackHash::operator()(const PlaylistTrack& track) const {
    std::size_t seed = 0;
    for (const std::string* field : {&track.id, &track.title, &track.relativePath, &track.fileURL})
        seed ^= std::hash<std::string>{}(*field) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    return seed;
}

} // namespace corvane
