// Mipmaps made on the processor, as a driver would make them for the keyboard.
#include "CorvaneRendering/StageMipmapChain.hpp"

#include <gtest/gtest.h>

using namespace corvane;

TEST(StageMipmapChain, HalvesDownToOnePixelAndAveragesColoursInLinearLight)
{
    // Black and white columns, odd sized: 5 x 3 -> 2 x 1 -> 1 x 1.
    QImage stripes(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) stripes.setPixelColor(x, y, x % 2 ? QColor(255, 255, 255) : QColor(0, 0, 0));

    const auto srgb = stageMipmapChain(stripes, true);
    ASSERT_EQ(srgb.size(), 3u);
    EXPECT_EQ(srgb[0].format(), QImage::Format_RGBA8888);
    EXPECT_EQ(srgb[1].size(), QSize(2, 1));
    EXPECT_EQ(srgb[2].size(), QSize(1, 1));
    // Half the light of white is 188 in sRGB, not the 128 that averaging the codes gives.
    EXPECT_NEAR(srgb[1].pixelColor(0, 0).red(), 188, 1);
    EXPECT_EQ(srgb[1].pixelColor(0, 0).alpha(), 255);

    const auto plain = stageMipmapChain(stripes, false);
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_NEAR(plain[1].pixelColor(0, 0).red(), 128, 1);

    EXPECT_TRUE(stageMipmapChain(QImage(), true).empty());
    EXPECT_EQ(stageMipmapChain(QImage(1, 1, QImage::Format_RGB32), true).size(), 1u);
}
