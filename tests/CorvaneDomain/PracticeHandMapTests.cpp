#include <gtest/gtest.h>

#include "CorvaneDomain/PracticeHandMap.hpp"
#include "CorvaneDomain/PracticeTrackSetting.hpp"

using namespace corvane;
using nlohmann::json;

TEST(PracticeHandMap, ExplicitHandsWinOverTheSplitNote)
{
    const PracticeHandMap map(60, {PracticeTrackSetting(1, PracticeTrackHand::left, false),
                                   PracticeTrackSetting(2, PracticeTrackHand::automatic, true),
                                   PracticeTrackSetting(1, PracticeTrackHand::right, false),
                                   PracticeTrackSetting(3, PracticeTrackHand::left, false)});
    // The later setting of track 1 replaces the earlier one.
    EXPECT_EQ(map.side(20, 1), PracticeHandSide::right);
    EXPECT_EQ(map.side(59, 2), PracticeHandSide::left);
    EXPECT_EQ(map.side(60, 2), PracticeHandSide::right);
    EXPECT_EQ(map.side(90, 3), PracticeHandSide::left);

    EXPECT_TRUE(map.includes(PracticeHand::left, 90, 3));
    EXPECT_FALSE(map.includes(PracticeHand::right, 90, 3));
    EXPECT_TRUE(map.includes(PracticeHand::right, 60, 7));
    EXPECT_FALSE(map.includes(PracticeHand::left, 60, 7));
    EXPECT_TRUE(map.includes(PracticeHand::both, 0, 3));

    // Mute flags and automatic hands leave no trace in the map.
    EXPECT_EQ(map, PracticeHandMap(60, {PracticeTrackSetting(1, PracticeTrackHand::right, true),
                                        PracticeTrackSetting(3, PracticeTrackHand::left, false)}));
    EXPECT_NE(map, PracticeHandMap(61, {PracticeTrackSetting(1, PracticeTrackHand::right, true),
                                        PracticeTrackSetting(3, PracticeTrackHand::left, false)}));
}

TEST(PracticeTrackSetting, DefaultsAndCoding)
{
    EXPECT_TRUE(PracticeTrackSetting(0, PracticeTrackHand::automatic, false).isDefault());
    EXPECT_FALSE(PracticeTrackSetting(0, PracticeTrackHand::automatic, true).isDefault());
    EXPECT_FALSE(PracticeTrackSetting(0, PracticeTrackHand::left, false).isDefault());

    EXPECT_EQ(decodeJSON<PracticeTrackSetting>(json{{"trackIndex", 2}}),
              PracticeTrackSetting(2, PracticeTrackHand::automatic, false));
    EXPECT_EQ(decodeJSON<PracticeTrackSetting>(json{{"trackIndex", 2}, {"hand", nullptr}, {"isMuted", nullptr}}),
              PracticeTrackSetting(2, PracticeTrackHand::automatic, false));
    EXPECT_THROW(decodeJSON<PracticeTrackSetting>(json{{"trackIndex", 2}, {"hand", "both"}}), JSONDecodingError);
    EXPECT_THROW(decodeJSON<PracticeTrackSetting>(json{{"hand", "left"}}), JSONDecodingError);
    EXPECT_THROW(decodeJSON<PracticeTrackSetting>(json{{"trackIndex", 1.5}}), JSONDecodingError);

    const PracticeTrackSetting muted(4, PracticeTrackHand::right, true);
    const auto encoded = encodeJSON(muted);
    EXPECT_EQ(encoded, (json{{"trackIndex", 4}, {"hand", "right"}, {"isMuted", true}}));
    EXPECT_EQ(decodeJSON<PracticeTrackSetting>(encoded), muted);
}
