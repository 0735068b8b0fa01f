#include "CorvaneLibrary/LibraryPlaylistEntry.hpp"

namespace corvane {

nlohmann::json JSONCoder<LibraryPlaylistEntry>::encode(const LibraryPlaylistEntry& entry,
                                                       const std::string& codingPath) {
    JSONObjectWriter writer(codingPath);
    writer.write("id", entry.id);
    writer.write("title", entry.title);
    writer.write("reference", entry.reference);
    return writer.take();
}

LibraryPlaylistEntry JSONCoder<LibraryPlaylistEntry>::decode(const nlohmann::json& json,
                                                             const std::string& codingPath) {
    const JSONObjectReader reader(json, codingPath);
    auto id = reader.required<UUID>("id");
    auto title = reader.required<std::string>("title");
    auto reference = reader.required<LibrarySongReference>("reference");
    return LibraryPlaylistEntry{id, std::move(title), std::move(reference)};
}

} // namespace corvane
