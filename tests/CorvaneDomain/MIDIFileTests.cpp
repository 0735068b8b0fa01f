#include <gtest/gtest.h>

#include "CorvaneDomain/MIDIFile.hpp"

using namespace corvane;

namespace {

MIDIEvent nameEvent(std::vector<std::uint8_t> bytes) { return MIDIEvent{0, 0, MIDIMetaEvent{0x03, std::move(bytes)}}; }

std::optional<std::string> nameOf(std::vector<MIDIEvent> events) { return MIDITrack{std::move(events)}.name(); }

} // namespace

TEST(MIDITrackName, TakesTheFirstNonBlankTrackNameEvent)
{
    EXPECT_EQ(nameOf({}), std::nullopt);
    EXPECT_EQ(nameOf({MIDIEvent{0, 0, MIDIMetaEvent{0x01, {'x'}}}}), std::nullopt);
    EXPECT_EQ(nameOf({nameEvent({' ', ' '}), nameEvent({})}), std::nullopt);
    EXPECT_EQ(nameOf({nameEvent({' '}), nameEvent({'P', 'i', 'a', 'n', 'o'})}), "Piano");
    EXPECT_EQ(nameOf({nameEvent({' ', ' ', 'M', '.', 'D', '.', ' ', '\n'})}), "M.D.");
    // No-break space and a line separator (U+2028) are trimmed as white space too.
    EXPECT_EQ(nameOf({nameEvent({0xC2, 0xA0, 'L', 0xE2, 0x80, 0xA8})}), "L");
}

TEST(MIDITrackName, FallsBackToLatin1WhenAnyByteIsNotUTF8)
{
    EXPECT_EQ(nameOf({nameEvent({0xE9})}), "\xC3\xA9");
    EXPECT_EQ(nameOf({nameEvent({0xC3, 0xA9})}), "\xC3\xA9");
    EXPECT_EQ(nameOf({nameEvent({0x4F, 0xE9})}), "O\xC3\xA9");
    // Valid UTF-8 elsewhere does not survive one bad byte: the whole text is Latin-1.
    EXPECT_EQ(nameOf({nameEvent({0xC3, 0xA9, 0xFF})}), "\xC3\x83\xC2\xA9\xC3\xBF");
    // 0x80...0x9F become C1 controls, not Windows letters.
    EXPECT_EQ(nameOf({nameEvent({'a', 0x80})}), "a\xC2\x80");
    // Overlong and surrogate forms are ill-formed.
    EXPECT_EQ(nameOf({nameEvent({0xC0, 0xAF})}), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(nameOf({nameEvent({0xED, 0xA0, 0x80})}), "\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(nameOf({nameEvent({0xF0, 0x9F, 0x8E, 0xB9})}), "\xF0\x9F\x8E\xB9");
}

TEST(MIDIFileModel, RawValuesAndEquality)
{
    EXPECT_EQ(midiFileFormat(2), MIDIFileFormat::independentTracks);
    EXPECT_EQ(midiFileFormat(3), std::nullopt);
    EXPECT_NE((MIDIEvent{1, 5, MIDIMetaEvent{0x2F, {}}}), (MIDIEvent{2, 5, MIDIMetaEvent{0x2F, {}}}));
    EXPECT_NE(MIDITimeDivision::smpte(MIDIFramesPerSecond::fps25, 40),
              MIDITimeDivision::smpte(MIDIFramesPerSecond::fps25, 41));
    EXPECT_NE(MIDITimeDivision::smpte(MIDIFramesPerSecond::fps25, 40), MIDITimeDivision::ticksPerQuarterNote(40));
    EXPECT_DOUBLE_EQ(frameRate(MIDIFramesPerSecond::dropFrame30), 29.97002997002997);
}
