#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>
#include <vector>

#include <QColor>
#include <QImage>

#include "CorvaneApp/kit/style/StudioImageCache.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/ResourceFolders.hpp"

using namespace corvane;
namespace fs = std::filesystem;
using Paths = std::vector<fs::path>;

TEST(StudioResourceBundleCandidates, EachBundleOnceInOrderThenTheMainBundle)
{
    ResourceFolders folders;
    const auto installed = folders.bundle("share");
    const auto beside = folders.bundle("bin");
    fs::create_directories(folders.root() / "empty");
    ResourceFolders::file(folders.root() / "plain" / "Brelmo_CorvaneApp.bundle"); // a file, not a bundle
    fs::create_directory_symlink(folders.root() / "share", folders.root() / "linked");

    const auto main = folders.root() / "bin";
    const auto candidates = StudioResourceBundle::candidates(
        {folders.root() / "share", folders.root() / "missing", folders.root() / "empty", folders.root() / "plain",
         folders.root() / "linked", folders.root() / "bin" / ".." / "share", folders.root() / "bin"},
        main);
    EXPECT_EQ(candidates, (Paths{installed, beside, main}));

    // The main bundle comes last even when it is the only one, or already listed.
    EXPECT_EQ(StudioResourceBundle::candidates({}, main), Paths{main});
    EXPECT_EQ(StudioResourceBundle::candidates({folders.root() / "bin"}, beside), (Paths{beside, beside}));
}

TEST(StudioResourceBundleCandidates, ProgramsListEndsWithTheirOwnFolder)
{
    const auto& candidates = StudioResourceBundle::candidates();
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates.back(), fs::canonical("/proc/self/exe").parent_path());
    EXPECT_EQ(&candidates, &StudioResourceBundle::candidates()); // built once
}

// No bundle is placed beside this suite's program, so what it finds is the
// build tree's own: the build setting that names it must reach the lookup.
TEST(StudioResourceBundleCandidates, ThisBuildFindsItsOwnResourceFolder)
{
    const auto programFolder = fs::canonical("/proc/self/exe").parent_path();
    ASSERT_FALSE(fs::exists(programFolder / StudioResourceBundle::bundleName)) << "a bundle was placed beside the tests";
    const auto& candidates = StudioResourceBundle::candidates();
    const bool found = std::any_of(candidates.begin(), candidates.end(), [](const fs::path& bundle) {
        return fs::is_regular_file(bundle / "DemoMIDIs" / "OdeToJoy.mid");
    });
    EXPECT_TRUE(found) << "the build tree's Brelmo_CorvaneApp.bundle is not among the candidates";
}

TEST(StudioResourceBundleFiles, FirstBundleWithAMatchingFileWinsAlone)
{
    ResourceFolders folders;
    const auto first = folders.bundle("a");
    const auto second = folders.bundle("b");
    const auto third = folders.bundle("c");
    ResourceFolders::file(first / "notes.txt");
    ResourceFolders::file(first / "Fonts" / "Only.ttf");
    ResourceFolders::file(second / "B.ttf");
    ResourceFolders::file(second / "A.ttf");
    ResourceFolders::file(second / "A.ttf.orig");
    fs::create_directories(second / "Folder.ttf");
    ResourceFolders::file(third / "Z.ttf");
    const Paths candidates{first, second, third};

    // Without the subdirectory the first bundle has no font: the second answers, alone.
    EXPECT_EQ(StudioResourceBundle::urls("ttf", std::nullopt, candidates), (Paths{second / "A.ttf", second / "B.ttf"}));
    // With it, a font in the first bundle's subdirectory is enough.
    EXPECT_EQ(StudioResourceBundle::urls("ttf", "Fonts", candidates), Paths{first / "Fonts" / "Only.ttf"});
    EXPECT_TRUE(StudioResourceBundle::urls("otf", "Fonts", candidates).empty());
}

TEST(StudioResourceBundleFiles, NameAtTopLevelAndInSubdirectoryListedOnceFromTopLevel)
{
    ResourceFolders folders;
    const auto bundle = folders.bundle("a");
    ResourceFolders::file(bundle / "Fonts" / "Body.ttf");
    ResourceFolders::file(bundle / "Fonts" / "Title.ttf");
    ResourceFolders::file(bundle / "Title.ttf");

    EXPECT_EQ(StudioResourceBundle::urls("ttf", "Fonts", {bundle}),
              (Paths{bundle / "Title.ttf", bundle / "Fonts" / "Body.ttf"}));
}

TEST(StudioResourceBundleImage, FirstBundleHoldingTheFileDecidesEvenWhenItDoesNotDecode)
{
    ResourceFolders folders;
    const auto first = folders.bundle("a");
    const auto second = folders.bundle("b");
    const auto third = folders.bundle("c");
    QImage small(4, 2, QImage::Format_RGB32);
    small.fill(QColor(200, 120, 40));
    QImage large(8, 8, QImage::Format_RGB32);
    large.fill(Qt::black);
    ASSERT_TRUE(small.save(QString::fromStdString((second / "panel-texture.png").string())));
    ASSERT_TRUE(large.save(QString::fromStdString((third / "panel-texture.png").string())));
    ResourceFolders::file(second / "wood-horizontal-piano.png", "not an image");
    ASSERT_TRUE(large.save(QString::fromStdString((third / "wood-horizontal-piano.png").string())));
    ResourceFolders::file(first / "Images" / "panel-texture.png", "only the root is asked");
    const Paths candidates{first, second, third};

    const auto texture = StudioResourceBundle::image("panel-texture", "png", candidates);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->size(), QSize(4, 2));
    EXPECT_EQ(texture->pixelColor(3, 1), QColor(200, 120, 40));
    EXPECT_EQ(StudioResourceBundle::url("panel-texture", "png", candidates), second / "panel-texture.png");

    EXPECT_FALSE(StudioResourceBundle::image("wood-horizontal-piano", "png", candidates));
    EXPECT_FALSE(StudioResourceBundle::image("wood-column", "png", candidates));
    EXPECT_FALSE(StudioResourceBundle::image("panel-texture", "jpg", candidates));
}

// Asked on several threads at once, as the window's worker and the window do:
// every caller gets the one decoded image, and a missing file stays missing.
TEST(StudioImageCache, ThreadsAskingAtOnceShareOneImage)
{
    std::vector<std::optional<QImage>> found(8), missing(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < found.size(); ++i)
        threads.emplace_back([&, i] {
            found[i] = StudioImageCache::image("wood1");
            missing[i] = StudioImageCache::image("no-such-image");
        });
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(found[0].has_value());
    EXPECT_FALSE(found[0]->isNull());
    for (std::size_t i = 0; i < found.size(); ++i) {
        ASSERT_TRUE(found[i].has_value());
        EXPECT_EQ(*found[i], *found[0]);
        EXPECT_FALSE(missing[i].has_value());
    }
    EXPECT_EQ(StudioImageCache::image("wood1")->cacheKey(), StudioImageCache::image("wood1")->cacheKey());
}
