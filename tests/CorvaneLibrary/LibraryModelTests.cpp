#include "CorvaneLibrary/LibrarySongReference.hpp"
#include "CorvaneLibrary/LibrarySource.hpp"
#include "CorvaneLibrary/MusicPlaylist.hpp"
#include "CorvaneLibrary/PlaylistTrack.hpp"
#include "CorvaneLibrary/ResolvedLibrarySong.hpp"

#include "CorvaneDomain/PracticeSongReference.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace corvane;
using nlohmann::json;

namespace {

LibrarySongReference decodeReference(const json& value) { return decodeJSON<LibrarySongReference>(value); }

std::string decodeFailure(const json& value) {
    try {
        decodeReference(value);
    } catch (const JSONDecodingError& error) {
        if (auto mismatch = error.as<JSONDecodingError::TypeMismatch>()) return mismatch->description;
        if (error.as<JSONDecodingError::KeyNotFound>()) return "key not found";
        return "other decoding error";
    }
    return "decoded";
}

const UUID sourceID = *UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");

} // namespace

TEST(LibrarySongReference, JSONFormOfEachCase) {
    const auto external = LibrarySongReference::externalFile("/m/a.mid", std::nullopt);
    EXPECT_EQ(encodeJSON(external), json::parse(R"({"externalFile":{"path":"/m/a.mid"}})"));
    EXPECT_EQ(decodeReference(json::parse(R"({"externalFile":{"path":"/m/a.mid","bookmarkData":null}})")), external);

    const auto withBookmark = LibrarySongReference::externalFile("/m/a.mid", std::vector<std::uint8_t>{0, 255, 7});
    EXPECT_EQ(decodeReference(encodeJSON(withBookmark)), withBookmark);
    EXPECT_NE(withBookmark, external);
    EXPECT_EQ(withBookmark.stableID(), external.stableID());

    const auto track = LibrarySongReference::sourceTrack(sourceID, "Estudos/Peca 1.mid");
    EXPECT_EQ(encodeJSON(track)["sourceTrack"]["sourceID"], "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(decodeReference(json::parse(
                  R"({"sourceTrack":{"sourceID":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","relativePath":"Estudos/Peca 1.mid"},"extra":1})")),
              track);
    EXPECT_EQ(decodeReference(encodeJSON(LibrarySongReference::bundledDemo("fur-elise"))),
              LibrarySongReference::bundledDemo("fur-elise"));
}

TEST(LibrarySongReference, DecodingFailsAsAWhole) {
    EXPECT_EQ(decodeFailure(json::object()), "Invalid number of keys found, expected one.");
    EXPECT_EQ(decodeFailure(json::parse(R"({"bundledDemo":{"id":"a"},"externalFile":{"path":"/a"}})")),
              "Invalid number of keys found, expected one.");
    EXPECT_EQ(decodeFailure(json::parse(R"({"sourceTrack":{"sourceID":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"}})")),
              "key not found");
    EXPECT_NE(decodeFailure(json::parse(R"({"bundledDemo":{"id":5}})")), "decoded");
    EXPECT_NE(decodeFailure(json::parse(R"({"externalFile":{"path":"/a","bookmarkData":"***"}})")), "decoded");
    EXPECT_NE(decodeFailure(json::parse(R"({"sourceTrack":{"sourceID":"nope","relativePath":"a"}})")), "decoded");
}

TEST(LibrarySongReference, StableIDsMeetThePracticeRecordsKeys) {
    EXPECT_EQ(LibrarySongReference::sourceTrack(sourceID, "A B/c.mid").stableID(),
              "source:E621E1F8-C36C-495A-93FC-0C247A3E6E5F:A B/c.mid");
    EXPECT_EQ(LibrarySongReference::externalFile("/m/./x/../a.mid", std::nullopt).stableID(), "file:/m/a.mid");
    for (const std::string path : {"/m/./x/../a.mid", "/m//a.mid", "/a b/ç.mid"}) {
        EXPECT_EQ(LibrarySongReference::externalFile(path, std::nullopt).stableID(),
                  PracticeSongReference::externalFile(path).stableID());
    }
    EXPECT_EQ(LibrarySongReference::bundledDemo("x").stableID(), PracticeSongReference::bundledDemo("x").stableID());
}

TEST(LibrarySongReference, EqualValuesHashEqually) {
    std::unordered_set<LibrarySongReference, LibrarySongReferenceHash> set;
    set.insert(LibrarySongReference::externalFile("/a", std::nullopt));
    set.insert(LibrarySongReference::externalFile("/a", std::nullopt));
    set.insert(LibrarySongReference::externalFile("/a", std::vector<std::uint8_t>{}));
    set.insert(LibrarySongReference::bundledDemo("/a"));
    EXPECT_EQ(set.size(), 3u);
}

TEST(LibraryRecords, RoundTripAndRequireEveryMember) {
    const LibrarySource source{sourceID, "Pasta", "/m/Pasta", {1, 2, 3}, false};
    EXPECT_EQ(decodeJSON<LibrarySource>(encodeJSON(source)), source);
    auto missing = encodeJSON(source);
    missing.erase("isAvailable");
    EXPECT_THROW(decodeJSON<LibrarySource>(missing), JSONDecodingError);
    EXPECT_NE(source, (LibrarySource{sourceID, "Pasta", "/m/Pasta", {1, 2, 3}, true}));

    const LibraryPlaylistEntry a{UUID::random(), "A", LibrarySongReference::bundledDemo("a")};
    const LibraryPlaylistEntry b{UUID::random(), "B", LibrarySongReference::sourceTrack(sourceID, "b.mid")};
    const MusicPlaylist playlist{UUID::random(), "Lista", {a, b}};
    EXPECT_EQ(decodeJSON<MusicPlaylist>(encodeJSON(playlist)), playlist);
    EXPECT_NE(playlist, (MusicPlaylist{playlist.id, "Lista", {b, a}}));
}

TEST(PlaylistTrack, IdentityIsTheStandardisedPath) {
    const PlaylistTrack track("Peca", "x/../Peca.mid", "/m/x/../Peca.mid");
    EXPECT_EQ(track.id, "/m/Peca.mid");
    EXPECT_EQ(track.fileURL, "/m/x/../Peca.mid");
    EXPECT_NE(track, PlaylistTrack("Outra", "x/../Peca.mid", "/m/x/../Peca.mid"));
    EXPECT_EQ(PlaylistTrackHash{}(track), PlaylistTrackHash{}(PlaylistTrack("Peca", "x/../Peca.mid", "/m/x/../Peca.mid")));

    ResolvedLibrarySong song{"id", "t", std::nullopt, LibrarySongReference::bundledDemo("a"), std::nullopt};
    EXPECT_FALSE(song.isAvailable());
    song.fileURL = "/m/Peca.mid";
    EXPECT_TRUE(song.isAvailable());
}
