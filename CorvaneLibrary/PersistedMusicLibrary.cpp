#include "CorvaneLibrary/PersistedMusicLibrary.hpp"

namespace corvane {

nlohmann::json JSONCoder<PersistedMusicLibrary>::encode(const PersistedMusicLibrary& library,
                                                        const std::string& codingPath) {
    JSONObjectWriter writer(codingPath);
    writer.write("sources", library.sources);
    writer.write("playlists", library.playlists);
    return writer.take();
}

PersistedMusicLibrary JSONCoder<PersistedMusicLibrary>::decode(const nlohmann::json& json,
                                                               const std::string& codingPath) {
    const JSONObjectReader reader(json, codingPath);
    PersistedMusicLibrary library;
    library.sources = reader.required<std::vector<LibrarySource>>("sources");
    library.playlists = reader.required<std::vector<MusicPlaylist>>("playlists");
    return library;
}

} // namespace corvane
