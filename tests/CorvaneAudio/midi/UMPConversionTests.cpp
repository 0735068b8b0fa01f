#include "CorvaneAudio/midi/UMPConversion.hpp"

#include <gtest/gtest.h>

// Included on purpose: Qt defines `emit` as an empty macro, and the packing
// template must still hand over its packets in a file that sees it.
#include <QObject>

#include <vector>

using namespace corvane;

namespace {

std::vector<std::uint32_t> pack(std::vector<std::uint8_t> bytes, std::size_t* packets = nullptr)
{
    std::vector<std::uint32_t> words;
    std::size_t count = 0;
    packMIDI1Bytes(bytes, 77, [&](const UMPEventPacket& packet) {
        EXPECT_EQ(packet.timeStamp, 77u);
        EXPECT_LE(packet.wordCount, 64u);
        ++count;
        words.insert(words.end(), packet.words.begin(), packet.words.begin() + packet.wordCount);
    });
    if (packets) *packets = count;
    return words;
}

TEST(MIDI1BytesToUMP, ChannelVoiceMessagesBecomeType2Words)
{
    EXPECT_EQ(pack({0x93, 60, 100}), (std::vector<std::uint32_t>{0x20933C64}));
    EXPECT_EQ(pack({0xC2, 5}), (std::vector<std::uint32_t>{0x20C20500}));
    EXPECT_EQ(pack({0xD1, 9}), (std::vector<std::uint32_t>{0x20D10900}));
    EXPECT_EQ(pack({0xE0, 0x00, 0x40, 0x80, 60, 0}), (std::vector<std::uint32_t>{0x20E00040, 0x20803C00}));
}

TEST(MIDI1BytesToUMP, SystemMessagesBecomeType1AndSystemExclusiveIsDropped)
{
    EXPECT_EQ(pack({0xF8}), (std::vector<std::uint32_t>{0x10F80000}));
    EXPECT_EQ(pack({0xF2, 0x10, 0x20}), (std::vector<std::uint32_t>{0x10F21020}));
    EXPECT_EQ(pack({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7, 0x90, 60, 1}), (std::vector<std::uint32_t>{0x20903C01}));
    EXPECT_EQ(pack({0xF0, 0x7E, 0x90, 60}), (std::vector<std::uint32_t>{})) << "unterminated data swallows the rest";
    EXPECT_EQ(pack({0xF4, 0xF5, 0xF9, 0xFD, 0xF7}), (std::vector<std::uint32_t>{}));
}

TEST(MIDI1BytesToUMP, BrokenMessagesAreDroppedWithoutLosingTheNextOne)
{
    EXPECT_EQ(pack({0x90, 60}), (std::vector<std::uint32_t>{}));
    EXPECT_EQ(pack({0x90, 60, 0xB0, 7, 100}), (std::vector<std::uint32_t>{0x20B00764}));
    EXPECT_EQ(pack({0x40, 0x41, 0x90, 60, 1}), (std::vector<std::uint32_t>{0x20903C01})) << "no running status";
    EXPECT_EQ(pack({0x90, 60, 1, 61, 1}), (std::vector<std::uint32_t>{0x20903C01}));
    EXPECT_EQ(pack({}), (std::vector<std::uint32_t>{}));
}

TEST(MIDI1BytesToUMP, LongStreamsAreSplitIntoPacketsOf64Words)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 130; ++i) bytes.insert(bytes.end(), {0x90, static_cast<std::uint8_t>(i % 128), 1});
    std::size_t packets = 0;
    const auto words = pack(bytes, &packets);
    EXPECT_EQ(words.size(), 130u);
    EXPECT_EQ(packets, 3u);
    EXPECT_EQ(words[129], 0x20900101u);
}

TEST(UMPToMIDI1Bytes, ProgramChangeAndChannelPressureAreTwoBytes)
{
    std::array<std::uint8_t, 3> bytes{};
    ASSERT_EQ(midi1BytesOfWord(0x20C30500, bytes), 2u);
    EXPECT_EQ(bytes[0], 0xC3);
    EXPECT_EQ(bytes[1], 5);
    ASSERT_EQ(midi1BytesOfWord(0x20D04000, bytes), 2u);
    ASSERT_EQ(midi1BytesOfWord(0x20903C64, bytes), 3u);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 3>{0x90, 0x3C, 0x64}));
    EXPECT_EQ(midi1BytesOfWord(0x10F80000, bytes), 0u);
    EXPECT_EQ(midi1BytesOfWord(0x20F00000, bytes), 0u);
    EXPECT_EQ(midi1BytesOfWord(0x20403C64, bytes), 0u) << "no status byte";
}

} // namespace
