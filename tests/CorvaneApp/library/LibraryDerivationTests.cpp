// The library browser's derivations, from plain values: no store, no widgets.
#include <gtest/gtest.h>

#include "CorvaneApp/library/LibraryDerivations.hpp"

using namespace corvane;

namespace {

const UUID sourceA = *UUID::fromString("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
const UUID sourceB = *UUID::fromString("11111111-2222-4333-8444-555555555555");

LibrarySource source(const UUID& id, const std::string& name, bool available = true)
{
    return LibrarySource{id, name, "/música/" + name, {1, 2, 3}, available};
}

PlaylistTrack track(const std::string& folder, const std::string& relativePath)
{
    const auto slash = relativePath.rfind('/');
    std::string title = relativePath.substr(slash == std::string::npos ? 0 : slash + 1);
    title = title.substr(0, title.rfind('.'));
    return PlaylistTrack(title, relativePath, folder + "/" + relativePath);
}

std::vector<std::string> ids(const std::vector<ResolvedLibrarySong>& songs)
{
    std::vector<std::string> list;
    for (const auto& song : songs) list.push_back(song.id);
    return list;
}

std::vector<std::string> titles(const std::vector<ResolvedLibrarySong>& songs)
{
    std::vector<std::string> list;
    for (const auto& song : songs) list.push_back(song.title);
    return list;
}

// Every demo has a file in "/demos", except those listed as missing.
DemoFileLocator demosIn(std::set<std::string> missing = {})
{
    return [missing](BundledDemoSong demo) -> std::optional<std::string> {
        const std::string id(rawValue(demo));
        if (missing.count(id)) return std::nullopt;
        return "/demos/" + id + ".mid";
    };
}

// Counts the store lookups; finds only source tracks.
struct CountingResolver {
    int calls = 0;
    SongFileResolver function()
    {
        return [this](const LibrarySongReference& reference) -> std::optional<std::string> {
            ++calls;
            if (auto track = reference.as<LibrarySongReference::SourceTrack>())
                return "/resolved/" + track->relativePath;
            return std::nullopt;
        };
    }
};

} // namespace

TEST(LibraryDerivations, AnEmptyLibraryListsTheFiveDemosAndTheCollectionRowsInOrder)
{
    const std::vector<LibrarySource> sources;
    const std::vector<MusicPlaylist> playlists;
    const std::map<UUID, std::vector<PlaylistTrack>> tracks;
    const LibraryContents contents{sources, playlists, tracks};
    CountingResolver resolver;

    const auto all = selectedSongs(LibraryCollection::all(), contents, demosIn(), resolver.function());
    EXPECT_EQ(ids(all), (std::vector<std::string>{"demo:odeToJoy", "demo:ahVousDiraiJe", "demo:minuetInG",
                                                   "demo:greensleeves", "demo:furElise"}));
    EXPECT_EQ(all[0].title, "Ode à Alegria (Beethoven)");
    EXPECT_EQ(all[0].reference, LibrarySongReference::bundledDemo("odeToJoy"));
    EXPECT_EQ(all[0].fileURL, "/demos/odeToJoy.mid");
    EXPECT_EQ(all[0].relativePath, std::nullopt);
    EXPECT_EQ(selectedSongs(LibraryCollection::demos(), contents, demosIn(), resolver.function()), all);
    EXPECT_EQ(resolver.calls, 0) << "demos are located by the catalog, not the store";

    // Every resource missing: still five rows, none of them can be practised.
    const auto missing = demoSongs(demosIn({"odeToJoy", "ahVousDiraiJe", "minuetInG", "greensleeves", "furElise"}));
    ASSERT_EQ(missing.size(), 5u);
    for (const auto& song : missing) EXPECT_FALSE(song.isAvailable()) << song.id;

    using Kind = CollectionRow::Kind;
    const auto rows = collectionRows(contents, {});
    ASSERT_EQ(rows.size(), 7u);
    const std::vector<std::pair<Kind, QString>> expected{
        {Kind::section, "Biblioteca"},           {Kind::collection, "Todas as músicas"},
        {Kind::collection, "Demos"},             {Kind::section, "Pastas"},
        {Kind::addFolder, "Adicionar pasta…"},   {Kind::section, "Playlists"},
        {Kind::newPlaylist, "Nova playlist…"}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].kind, expected[i].first) << i;
        EXPECT_EQ(rows[i].title, expected[i].second) << i;
    }
    EXPECT_EQ(rows[1].count, 5u);
    EXPECT_EQ(rows[1].systemImage, "music.note.list");
    EXPECT_EQ(rows[1].collection, LibraryCollection::all());
    EXPECT_EQ(rows[2].count, 5u);
    EXPECT_EQ(rows[2].systemImage, "sparkles");
    EXPECT_EQ(rows[4].systemImage, "plus");
    EXPECT_EQ(rows[6].systemImage, "plus");
}

TEST(LibraryDerivations, SourcesAndPlaylistsGiveTheirSongsCountsAndRowIdentities)
{
    // The store keeps sources sorted by name; B is unavailable but still
    // holds tracks from before.
    const std::vector<LibrarySource> sources{source(sourceA, "Clássicos"), source(sourceB, "Perdida", false)};
    const std::map<UUID, std::vector<PlaylistTrack>> tracks{
        {sourceA, {track("/música/Clássicos", "Bach/Minueto.mid"), track("/música/Clássicos", "Prelúdio.mid")}},
        {sourceB, {track("/música/Perdida", "Velha.mid")}},
        // Tracks of a source the store no longer lists are not shown.
        {UUID::random(), {track("/x", "Órfã.mid")}}};
    const UUID listID = UUID::random();
    const UUID first = *UUID::fromString("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
    const UUID second = UUID::random();
    const UUID third = UUID::random();
    const UUID fourth = UUID::random();
    const std::vector<MusicPlaylist> playlists{MusicPlaylist{
        listID,
        "Estudos",
        {LibraryPlaylistEntry{first, "Minha Ode", LibrarySongReference::bundledDemo("odeToJoy")},
         LibraryPlaylistEntry{second, "Sumida", LibrarySongReference::bundledDemo("odeTojoy")},
         LibraryPlaylistEntry{third, "Minueto", LibrarySongReference::sourceTrack(sourceA, "Bach/Minueto.mid")},
         LibraryPlaylistEntry{fourth, "Minueto", LibrarySongReference::sourceTrack(sourceA, "Bach/Minueto.mid")}}}};
    const LibraryContents contents{sources, playlists, tracks};
    CountingResolver resolver;

    const auto songs = sourceSongs(contents);
    EXPECT_EQ(ids(songs), (std::vector<std::string>{"source:0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D:Bach/Minueto.mid",
                                                     "source:0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D:Prelúdio.mid",
                                                     "source:11111111-2222-4333-8444-555555555555:Velha.mid"}));
    EXPECT_EQ(songs[0].title, "Minueto");
    EXPECT_EQ(songs[0].relativePath, "Bach/Minueto.mid");
    EXPECT_EQ(songs[0].reference, LibrarySongReference::sourceTrack(sourceA, "Bach/Minueto.mid"));
    EXPECT_EQ(songs[0].fileURL, "/música/Clássicos/Bach/Minueto.mid");
    EXPECT_FALSE(songs[2].isAvailable()) << "an unavailable source's tracks have no file";

    const auto all = selectedSongs(LibraryCollection::all(), contents, demosIn(), resolver.function());
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(all[5].id, songs[0].id) << "demos first, then every source's tracks";
    EXPECT_EQ(titles(selectedSongs(LibraryCollection::source(sourceB), contents, demosIn(), resolver.function())),
              (std::vector<std::string>{"Velha"}));
    EXPECT_TRUE(selectedSongs(LibraryCollection::source(UUID::random()), contents, demosIn(), resolver.function())
                    .empty());
    EXPECT_EQ(resolver.calls, 0);

    // Playlist rows: a known demo takes its resource, an unknown id (letter
    // case matters) asks the store and stays without a file, tracks come
    // from the store; duplicates are rows of their own.
    const auto listed = selectedSongs(LibraryCollection::playlist(listID), contents, demosIn(), resolver.function());
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].id, "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");
    EXPECT_EQ(listed[0].title, "Minha Ode");
    EXPECT_EQ(listed[0].fileURL, "/demos/odeToJoy.mid");
    EXPECT_EQ(listed[0].relativePath, std::nullopt);
    EXPECT_FALSE(listed[1].isAvailable());
    EXPECT_EQ(listed[2].fileURL, "/resolved/Bach/Minueto.mid");
    EXPECT_NE(listed[2].id, listed[3].id);
    EXPECT_EQ(resolver.calls, 3) << "the demo with a file is not looked up in the store";
    // A demo whose resource is missing falls back on the store, which has none.
    EXPECT_FALSE(playlistSongs(contents, listID, demosIn({"odeToJoy"}), resolver.function())[0].isAvailable());
    EXPECT_TRUE(playlistSongs(contents, UUID::random(), demosIn(), resolver.function()).empty());

    const auto rows = collectionRows(contents, {sourceA});
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[1].count, 5u + 3u) << "the unavailable source's remaining tracks count too";
    EXPECT_EQ(rows[4].title, "Clássicos");
    EXPECT_EQ(rows[4].systemImage, "folder");
    EXPECT_EQ(rows[4].count, 2u);
    EXPECT_TRUE(rows[4].isBusy);
    EXPECT_EQ(rows[4].collection, LibraryCollection::source(sourceA));
    EXPECT_EQ(rows[5].systemImage, "folder.badge.questionmark");
    EXPECT_FALSE(rows[5].isBusy);
    EXPECT_EQ(rows[6].kind, CollectionRow::Kind::addFolder);
    EXPECT_EQ(rows[8].title, "Estudos");
    EXPECT_EQ(rows[8].systemImage, "music.note.house");
    EXPECT_EQ(rows[8].count, 4u);
    EXPECT_EQ(rows[8].collection, LibraryCollection::playlist(listID));
    EXPECT_EQ(rows[9].kind, CollectionRow::Kind::newPlaylist);
}

TEST(LibraryDerivations, SearchIgnoresLetterCaseAndGroupsFollowSubfoldersInFileBrowserOrder)
{
    const auto song = [](std::string title, std::optional<std::string> path) {
        return ResolvedLibrarySong{title, title, std::move(path), LibrarySongReference::bundledDemo("x"), "/f"};
    };
    const std::vector<ResolvedLibrarySong> songs{
        song("Água de Beber", "Bossa/Água de Beber.mid"), song("Estudo", "Estudos 10/Estudo.mid"),
        song("Solto", "Solto.mid"),                       song("Noturno", "Chopin/Noturnos/Noturno.mid"),
        song("Etude", "Estudos 2/Etude.mid"),             song("Sem caminho", std::nullopt),
        song("Estudo", "Estudos 2/Estudo.mid")};

    EXPECT_EQ(filteredSongs(songs, ""), songs);
    EXPECT_EQ(titles(filteredSongs(songs, "ÁGUA")), (std::vector<std::string>{"Água de Beber"}));
    EXPECT_EQ(titles(filteredSongs(songs, "estudos 2")), (std::vector<std::string>{"Etude", "Estudo"}))
        << "the relative path is searched too";
    // Not trimmed: only titles or paths holding a space match.
    EXPECT_EQ(titles(filteredSongs(songs, "   ")), std::vector<std::string>{});
    EXPECT_EQ(titles(filteredSongs(songs, " ")),
              (std::vector<std::string>{"Água de Beber", "Estudo", "Etude", "Sem caminho", "Estudo"}));

    const auto groups = groupedSourceSongs(songs);
    std::vector<std::string> names;
    for (const auto& group : groups) names.push_back(group.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bossa", "Chopin/Noturnos", "Estudos 2", "Estudos 10",
                                               "Pasta principal"}));
    EXPECT_EQ(titles(groups[2].songs), (std::vector<std::string>{"Etude", "Estudo"})) << "filtered order kept";
    EXPECT_EQ(titles(groups[4].songs), (std::vector<std::string>{"Solto", "Sem caminho"}));
    EXPECT_TRUE(groupedSourceSongs({}).empty());
}

TEST(LibraryDerivations, PaneTextsPlaylistEditingAndSourceMenus)
{
    const UUID playlist = UUID::random();
    EXPECT_EQ(emptyTitle(""), "Nenhuma música");
    EXPECT_EQ(emptyTitle(" "), "Nenhum resultado");
    EXPECT_EQ(emptySystemImage(""), "music.note");
    EXPECT_EQ(emptySystemImage("x"), "magnifyingglass");
    EXPECT_EQ(emptyDescription(" ", LibraryCollection::playlist(playlist)), "Tente buscar por outro nome ou caminho.");
    EXPECT_EQ(emptyDescription("", LibraryCollection::playlist(playlist)),
              "Arraste MIDIs para cá ou adicione músicas pelo menu contextual.");
    EXPECT_EQ(emptyDescription("", LibraryCollection::all()), "Adicione ou arraste uma pasta com arquivos .mid ou .midi.");

    const std::vector<LibrarySource> sources{source(sourceA, "A"), source(sourceB, "B", false)};
    EXPECT_EQ(songPane(LibraryCollection::source(sourceB), sources, false), SongPane::unavailableFolder);
    EXPECT_EQ(songPane(LibraryCollection::source(sourceB), sources, true), SongPane::unavailableFolder);
    EXPECT_EQ(songPane(LibraryCollection::source(sourceA), sources, false), SongPane::list);
    EXPECT_EQ(songPane(LibraryCollection::source(UUID::random()), sources, true), SongPane::empty)
        << "a source that is gone shows the empty screen";
    EXPECT_EQ(songPane(LibraryCollection::playlist(playlist), sources, true), SongPane::empty);

    EXPECT_EQ(editablePlaylist(LibraryCollection::playlist(playlist), ""), playlist);
    EXPECT_EQ(editablePlaylist(LibraryCollection::playlist(playlist), " "), std::nullopt);
    EXPECT_EQ(editablePlaylist(LibraryCollection::all(), ""), std::nullopt);

    using Action = SourceMenuEntry::Action;
    EXPECT_EQ(sourceMenuEntries(true),
              (std::vector<SourceMenuEntry>{{Action::refresh, "Atualizar", "arrow.clockwise", false},
                                            {Action::remove, "Remover fonte", "trash", true}}));
    EXPECT_EQ(sourceMenuEntries(false), (std::vector<SourceMenuEntry>{
                                            {Action::reauthorize, "Reautorizar pasta…", "folder.badge.plus", false}}));
}
