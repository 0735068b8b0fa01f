#include <gtest/gtest.h>

#include "CorvaneDomain/StandardMIDIFileParser.hpp"
#include "support/SMFWriter.hpp"

using namespace corvane;

TEST(Smoke, ParsesMinimalFile)
{
    auto bytes = smf::file(0, 480, {smf::Track{}.noteOn(0, 60).noteOff(480, 60).endOfTrack()});
    auto file = StandardMIDIFileParser{}.parse(bytes);
    ASSERT_EQ(file.tracks.size(), 1u);
    EXPECT_EQ(file.tracks[0].events.size(), 3u);
}
