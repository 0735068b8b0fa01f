#include <gtest/gtest.h>

#include "CorvaneDomain/StandardizedPath.hpp"

using namespace corvane;

TEST(StandardizedPath, ResolvesDotsWithoutTouchingTheFileSystem)
{
    EXPECT_EQ(standardizedPath("/home/ana/Music/song.mid"), "/home/ana/Music/song.mid");
    EXPECT_EQ(standardizedPath("/home/ana/./Music/song.mid"), "/home/ana/Music/song.mid");
    EXPECT_EQ(standardizedPath("/home/ana/Other/../Music/song.mid"), "/home/ana/Music/song.mid");
    EXPECT_EQ(standardizedPath("/a/b/c/../../d"), "/a/d");
    EXPECT_EQ(standardizedPath("//a///b/"), "/a/b");
    EXPECT_EQ(standardizedPath("/a/b/.."), "/a");
    EXPECT_EQ(standardizedPath("/a/.."), "/");
    EXPECT_EQ(standardizedPath("/../a"), "/a");
    EXPECT_EQ(standardizedPath("/"), "/");
    EXPECT_EQ(standardizedPath(""), "");
    // Names made of dots that are not "." or ".." are ordinary names.
    EXPECT_EQ(standardizedPath("/a/.../b/.hidden/..x"), "/a/.../b/.hidden/..x");
    // Relative paths stay relative; a leading ".." has nothing to cancel.
    EXPECT_EQ(standardizedPath("a/./b/../c"), "a/c");
    EXPECT_EQ(standardizedPath("../a/../../b"), "../../b");
    EXPECT_EQ(standardizedPath("a/.."), ".");
}

TEST(StandardizedPath, ComponentsAndExtensions)
{
    EXPECT_EQ(lastPathComponent("/m/Sonata.final.mid"), "Sonata.final.mid");
    EXPECT_EQ(lastPathComponent("/m/folder/"), "folder");
    EXPECT_EQ(lastPathComponent("name"), "name");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_EQ(lastPathComponent(""), "");

    EXPECT_EQ(pathExtension("/m/Sonata.final.MID"), "MID");
    EXPECT_EQ(pathExtension("/m/x.mid/"), "mid");
    EXPECT_EQ(pathExtension("/m/.hidden"), "");
    EXPECT_EQ(pathExtension("/m/trailing."), "");
    EXPECT_EQ(pathExtension("/m.d/README"), "");

    EXPECT_EQ(lastPathComponentDeletingExtension("/m/Sonata.final.mid"), "Sonata.final");
    EXPECT_EQ(lastPathComponentDeletingExtension("/m/.hidden"), ".hidden");
    EXPECT_EQ(lastPathComponentDeletingExtension("/m/README"), "README");
}
