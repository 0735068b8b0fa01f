#include "LibraryTestSupport.hpp"

#include "CorvaneLibrary/LocalizedOrdering.hpp"
#include "CorvaneLibrary/PlaylistScanner.hpp"

using namespace corvane;
using corvane::testing::TemporaryFolder;

namespace {

std::vector<std::string> relativePaths(const std::vector<PlaylistTrack>& tracks) {
    std::vector<std::string> paths;
    for (const auto& track : tracks) paths.push_back(track.relativePath);
    return paths;
}

} // namespace

TEST(LocalizedOrdering, ComparesLikeAFileBrowser) {
    EXPECT_LT(localizedStandardCompare("Peca 2", "Peca 10"), 0);
    EXPECT_LT(localizedStandardCompare("Pasta 9", "Pasta 10"), 0);
    EXPECT_GT(localizedStandardCompare("b", "A"), 0);
    EXPECT_LT(localizedStandardCompare("árvore", "banana"), 0);
    EXPECT_LT(localizedStandardCompare("A/Z.mid", "Z.mid"), 0);
    EXPECT_EQ(localizedStandardCompare("estudo", "Estudo"), 0);
    EXPECT_EQ(localizedStandardCompare("", ""), 0);
}

TEST(PlaylistScanner, KeepsRegularMIDIFilesOnly) {
    TemporaryFolder root;
    root.file("a.MID");
    root.file("b.midi");
    root.file("c.mid.txt");
    root.file("d");
    root.file("e.Midi");
    root.file(".escondido.mid");
    root.file(".oculta/dentro.mid");
    root.folder("x.mid");
    root.file("x.mid/real.mid");
    const auto tracks = PlaylistScanner::tracks(root.string());
    EXPECT_EQ(relativePaths(tracks), (std::vector<std::string>{"a.MID", "b.midi", "e.Midi", "x.mid/real.mid"}));
    ASSERT_EQ(tracks.size(), 4u);
    EXPECT_EQ(tracks[0].title, "a");
    EXPECT_EQ(tracks[0].fileURL, root.string() + "/a.MID");
    EXPECT_EQ(tracks[0].id, tracks[0].fileURL);
    EXPECT_EQ(tracks[3].title, "real");
}

TEST(PlaylistScanner, SortsByWholeRelativePathWithNumbersByValue) {
    TemporaryFolder root;
    root.file("Peca 10.mid");
    root.file("Peca 2.mid");
    root.file("Z.mid");
    root.file("A/Z.mid");
    root.file("Estudos/Escalas/01.mid");
    root.file("Sonata.final.mid");
    const auto tracks = PlaylistScanner::tracks(root.string());
    EXPECT_EQ(relativePaths(tracks), (std::vector<std::string>{"A/Z.mid", "Estudos/Escalas/01.mid", "Peca 2.mid",
                                                               "Peca 10.mid", "Sonata.final.mid", "Z.mid"}));
    EXPECT_EQ(tracks[4].title, "Sonata.final");
}

TEST(PlaylistScanner, SymbolicLinksAndDotsInTheRootGiveTheSameTracks) {
    TemporaryFolder root;
    root.file("musicas/um.mid");
    root.file("musicas/sub/dois.mid");
    root.file("fora/tres.mid");
    std::filesystem::create_directory_symlink(root.path() / "musicas", root.path() / "atalho");
    // Links inside the folder are not followed: no duplicates, no cycles.
    std::filesystem::create_directory_symlink(root.path() / "fora", root.path() / "musicas" / "link-pasta");
    std::filesystem::create_directory_symlink(root.path() / "musicas", root.path() / "musicas" / "ciclo");
    std::filesystem::create_symlink(root.path() / "fora" / "tres.mid", root.path() / "musicas" / "link.mid");

    const auto direct = PlaylistScanner::tracks(root.string() + "/musicas");
    EXPECT_EQ(relativePaths(direct), (std::vector<std::string>{"sub/dois.mid", "um.mid"}));
    EXPECT_EQ(PlaylistScanner::tracks(root.string() + "/atalho"), direct);
    EXPECT_EQ(PlaylistScanner::tracks(root.string() + "/fora/../musicas/./"), direct);
    EXPECT_EQ(direct[1].fileURL, root.string() + "/musicas/um.mid");
}

TEST(PlaylistScanner, UnreadableRootsGiveNothing) {
    TemporaryFolder root;
    EXPECT_TRUE(PlaylistScanner::tracks(root.string() + "/nao-existe").empty());
    EXPECT_TRUE(PlaylistScanner::tracks(root.file("solto.mid")).empty());
    EXPECT_TRUE(PlaylistScanner::tracks("").empty());
}
