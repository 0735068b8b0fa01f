#include "CorvaneLibrary/MusicPlaylist.hpp"

namespace corvane {

nlohmann::json JSONCoder<MusicPlaylist>::encode(const MusicPlaylist& playlist, const std::string& codingPath) {
    JSONObjectWriter writer(codingPath);
    writer.write("id", playlist.id);
    writer.write("name", playlist.name);
    writer.write("entries", playlist.entries);
    return writer.take();
}

MusicPlaylist JSONCoder<MusicPlaylist>::decode(const nlohmann::json& json, const std::string& codingPath) {
    const JSONObjectReader reader(json, codingPath);
    MusicPlaylist playlist;
    playlist.id = reader.required<UUID>("id");
    playlist.name = reader.required<std::string>("name");
    playlist.entries = reader.required<std::vector<LibraryPlaylistEntry>>("entries");
    return playlist;
}

} // namespace corvane
