#include "CorvaneLibrary/FolderPlaylist.hpp"

namespace corvane {

nlohmann::json JSONCoder<FolderPlaylist>::encode(const FolderPlaylist& playlist, const std::string& codingPath) {
    JSONObjectWriter writer(codingPath);
    writer.write("id", playlist.id);
    writer.write("name", playlist.name);
    writer.write("directoryPath", playlist.directoryPath);
    writer.write("bookmarkData", playlist.bookmarkData);
    return writer.take();
}

FolderPlaylist JSONCoder<FolderPlaylist>::decode(const nlohmann::json& json, const std::string& codingPath) {
    const JSONObjectReader reader(json, codingPath);
    FolderPlaylist playlist;
    playlist.id = reader.required<UUID>("id");
    playlist.name = reader.required<std::string>("name");
    playlist.directoryPath = reader.required<std::string>("directoryPath");
    playlist.bookmarkData = reader.required<std::vector<std::uint8_t>>("bookmarkData");
    return playlist;
}

} // namespace corvane
