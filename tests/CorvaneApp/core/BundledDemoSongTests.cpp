#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "CorvaneApp/ResourceFolders.hpp"
#include "CorvaneApp/session/BundledDemoSong.hpp"

using namespace corvane;
namespace fs = std::filesystem;

TEST(BundledDemoSong, IdsAreStoredWordsReadBackExactly)
{
    // Stored records name the demos by these ids; they must never change.
    std::vector<std::string> ids;
    std::set<std::string> titles, resources;
    for (const auto song : allBundledDemoSongs()) {
        ids.emplace_back(rawValue(song));
        titles.emplace(title(song));
        resources.emplace(resourceName(song));
        EXPECT_EQ(bundledDemoSong(rawValue(song)), song);
        EXPECT_TRUE(std::regex_match(ids.back(), std::regex("[a-z][A-Za-z0-9]*"))) << ids.back();
        EXPECT_FALSE(title(song).empty());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"odeToJoy", "ahVousDiraiJe", "minuetInG", "greensleeves", "furElise"}));
    EXPECT_EQ(titles.size(), 5u);
    EXPECT_EQ(resources.size(), 5u);

    for (const auto* text : {"OdeToJoy", "odetojoy", "FURELISE", "", " minuetInG", "minuetInG ", "demo:minuetInG"})
        EXPECT_EQ(bundledDemoSong(text), std::nullopt) << '"' << text << '"';
}

TEST(BundledDemoSong, FileFoundInDemoMIDIsOrAtTheRootOfTheFirstBundleHoldingIt)
{
    ResourceFolders folders;
    const auto first = folders.bundle("a");
    const auto second = folders.bundle("b");
    ResourceFolders::file(first / "Unrelated.mid");
    // Only in the second bundle's folder: the first bundle is asked both ways first.
    const auto ode = ResourceFolders::file(second / "DemoMIDIs" / "OdeToJoy.mid");
    // Only at a bundle's root.
    const auto minuet = ResourceFolders::file(second / "MinuetInG.mid");
    // At the first bundle's root and in the second bundle's folder: the first bundle wins.
    const auto elise = ResourceFolders::file(first / "FurElise.mid");
    ResourceFolders::file(second / "DemoMIDIs" / "FurElise.mid");
    // In one bundle's folder and at its root: the folder wins.
    const auto greensleeves = ResourceFolders::file(second / "DemoMIDIs" / "Greensleeves.mid");
    ResourceFolders::file(second / "Greensleeves.mid");
    // Another extension is not the demo.
    ResourceFolders::file(first / "DemoMIDIs" / "AhVousDiraiJe.midi");
    ResourceFolders::file(second / "ahvousdiraije.mid");
    const std::vector<fs::path> candidates{first, second};

    EXPECT_EQ(resourceURL(BundledDemoSong::odeToJoy, candidates), ode);
    EXPECT_EQ(resourceURL(BundledDemoSong::minuetInG, candidates), minuet);
    EXPECT_EQ(resourceURL(BundledDemoSong::furElise, candidates), elise);
    EXPECT_EQ(resourceURL(BundledDemoSong::greensleeves, candidates), greensleeves);
    EXPECT_EQ(resourceURL(BundledDemoSong::ahVousDiraiJe, candidates), std::nullopt);

    // Looked up anew: a file that appears later is found.
    const auto ah = ResourceFolders::file(second / "DemoMIDIs" / "AhVousDiraiJe.mid");
    EXPECT_EQ(resourceURL(BundledDemoSong::ahVousDiraiJe, candidates), ah);
}
