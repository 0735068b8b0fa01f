#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "CorvaneRendering/SoftwareRendering.hpp"

using namespace corvane;

TEST(SoftwareRendering, KnowsMesasSoftwareRasterisersByName)
{
    EXPECT_TRUE(isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(isSoftwareRenderer("softpipe"));
    EXPECT_TRUE(isSoftwareRenderer("Software Rasterizer"));
    EXPECT_TRUE(isSoftwareRenderer("zink (llvmpipe (LLVM 15.0.6, 256 bits))"));
    EXPECT_TRUE(isSoftwareRenderer("LLVMPIPE"));
    // A graphics card whose driver is built with LLVM is no software renderer.
    EXPECT_FALSE(isSoftwareRenderer("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)"));
    EXPECT_FALSE(isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    EXPECT_FALSE(isSoftwareRenderer("NVIDIA GeForce GTX 1060/PCIe/SSE2"));
    EXPECT_FALSE(isSoftwareRenderer(""));
}

TEST(SoftwareRendering, CapsTheRasteriserThreadsUnlessTheUserChose)
{
    EXPECT_EQ(softwareRasterizerThreads(1), 1);
    EXPECT_EQ(softwareRasterizerThreads(2), 1);
    EXPECT_EQ(softwareRasterizerThreads(3), 1);
    EXPECT_EQ(softwareRasterizerThreads(4), 2);
    EXPECT_EQ(softwareRasterizerThreads(8), 2);
    EXPECT_EQ(softwareRasterizerThreads(64), 2);

    // The variable is the process's own: whatever it held is put back.
    const char* held = std::getenv(softwareRasterizerThreadsVariable);
    const std::optional<std::string> saved = held ? std::optional<std::string>(held) : std::nullopt;
    const auto value = [] {
        const char* v = std::getenv(softwareRasterizerThreadsVariable);
        return v ? std::string(v) : std::string("<unset>");
    };

    ::unsetenv(softwareRasterizerThreadsVariable);
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "2");
    EXPECT_EQ(value(), "2");
    EXPECT_EQ(capSoftwareRasterizerThreads(2), "2"); // set now, so kept
    EXPECT_EQ(value(), "2");

    ::setenv(softwareRasterizerThreadsVariable, "7", 1);
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "7");
    EXPECT_EQ(value(), "7");
    ::setenv(softwareRasterizerThreadsVariable, "0", 1); // the user's "no threads" is a choice too
    EXPECT_EQ(capSoftwareRasterizerThreads(8), "0");
    EXPECT_EQ(value(), "0");

    // Empty means Mesa's default to Mesa, so it is no choice.
    ::setenv(softwareRasterizerThreadsVariable, "", 1);
    EXPECT_EQ(capSoftwareRasterizerThreads(3), "1");
    EXPECT_EQ(value(), "1");

    if (saved) ::setenv(softwareRasterizerThreadsVariable, saved->c_str(), 1);
    else ::unsetenv(softwareRasterizerThreadsVariable);
}
