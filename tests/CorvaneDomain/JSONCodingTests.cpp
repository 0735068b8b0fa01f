#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "CorvaneDomain/Base64.hpp"
#include "CorvaneDomain/JSONCoding.hpp"
#include "CorvaneDomain/LibraryDestination.hpp"
#include "CorvaneDomain/MIDILoopRangeCoding.hpp"
#include "CorvaneDomain/PracticeMode.hpp"

using namespace corvane;
using nlohmann::json;

TEST(UUID, UpperCaseOutAnyCaseIn)
{
    const auto uuid = UUID::fromString("e621e1f8-C36C-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(uuid->uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(decodeJSON<UUID>(json("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")), *uuid);
    EXPECT_EQ(encodeJSON(*uuid), json("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"));

    for (const char* bad : {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "E621E1F8-C36C-495A-93FC-0C247A3E6E5",
                            "E621E1F8-C36C-495A-93FC-0C247A3E6E5G", "E621E1F8-C36C-495A-93FC+0C247A3E6E5F",
                            "E621E1F-8C36C-495A-93FC-0C247A3E6E5F", " E621E1F8-C36C-495A-93FC-0C247A3E6E5F"})
        EXPECT_FALSE(UUID::fromString(bad)) << bad;
    EXPECT_THROW(decodeJSON<UUID>(json("nope")), JSONDecodingError);

    std::set<UUID> many;
    for (int i = 0; i < 1000; ++i) {
        const auto random = UUID::random();
        EXPECT_EQ(random.bytes[6] >> 4, 4);
        EXPECT_EQ(UUID::fromString(random.uuidString()), random);
        many.insert(random);
    }
    EXPECT_EQ(many.size(), 1000u);
}

TEST(Base64, PaddedAndStrict)
{
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(base64Encoded({}), "");
    EXPECT_EQ(base64Encoded(Bytes{'f'}), "Zg==");
    EXPECT_EQ(base64Encoded(Bytes{'f', 'o'}), "Zm8=");
    EXPECT_EQ(base64Encoded(Bytes{'f', 'o', 'o'}), "Zm9v");
    EXPECT_EQ(base64Decoded(""), Bytes{});
    EXPECT_EQ(base64Decoded("Zg=="), Bytes{'f'});
    EXPECT_EQ(base64Decoded("Zm8="), (Bytes{'f', 'o'}));
    EXPECT_EQ(base64Decoded("Zm9vYmFy"), (Bytes{'f', 'o', 'o', 'b', 'a', 'r'}));
    for (const char* bad : {"Zg", "Zg=", "Z===", "====", "Zg==Zg==", "Zm9v\n", "Zm-v", "Zm_v", "Z=9v"})
        EXPECT_FALSE(base64Decoded(bad)) << bad;

    Bytes all(1000);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i * 7);
    for (std::size_t n = 0; n < 8; ++n) {
        const Bytes part(all.begin(), all.end() - static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(base64Decoded(base64Encoded(part)), part);
    }
}

TEST(JSONCoding, Primitives)
{
    EXPECT_EQ(decodeJSON<std::int64_t>(json(-7)), -7);
    EXPECT_EQ(decodeJSON<std::int64_t>(json(9223372036854775807ull)), INT64_MAX);
    EXPECT_EQ(decodeJSON<std::int64_t>(json(3.0)), 3);
    EXPECT_THROW(decodeJSON<std::int64_t>(json(9223372036854775808ull)), JSONDecodingError);
    EXPECT_THROW(decodeJSON<std::int64_t>(json(1e19)), JSONDecodingError);
    EXPECT_THROW(decodeJSON<std::int64_t>(json(0.5)), JSONDecodingError);
    EXPECT_THROW(decodeJSON<std::int64_t>(json(true)), JSONDecodingError);
    EXPECT_EQ(decodeJSON<double>(json(2)), 2.0);
    EXPECT_THROW(decodeJSON<double>(json("2")), JSONDecodingError);
    EXPECT_THROW(decodeJSON<bool>(json(0)), JSONDecodingError);
    EXPECT_THROW(decodeJSON<std::string>(json(nullptr)), JSONDecodingError);

    EXPECT_THROW(encodeJSON<double>(NAN), JSONEncodingError);
    EXPECT_THROW(encodeJSON<double>(-INFINITY), JSONEncodingError);
    EXPECT_THROW(encodeJSON(Date{INFINITY}), JSONEncodingError);
    // Text that JSON cannot carry is refused with the coder's own error.
    try {
        encodeJSONText(std::string("caf\xE9.mid"));
        FAIL();
    } catch (const JSONEncodingError& error) {
        EXPECT_TRUE(error.as<JSONEncodingError::InvalidValue>());
    }
    EXPECT_EQ(encodeJSONText(std::string("caf\u00E9")), "\"caf\u00E9\"");

    // A number too large for a double is not taken as infinity.
    EXPECT_THROW(decodeJSONText<double>("1e400"), JSONDecodingError);

    // Dates count from 2001-01-01 UTC.
    EXPECT_EQ(decodeJSON<Date>(json(0)).secondsSince1970(), 978307200.0);
    EXPECT_EQ(encodeJSON(Date::fromSecondsSince1970(978307200.0 + 1.5)), json(1.5));

    // Text that is not JSON is reported as corrupted data.
    try {
        decodeJSONText<std::int64_t>("{not json");
        FAIL();
    } catch (const JSONDecodingError& error) {
        EXPECT_TRUE(error.as<JSONDecodingError::DataCorrupted>());
    }
}

TEST(JSONCoding, EnumerationsAndObjects)
{
    EXPECT_EQ(encodeJSON(PracticeMode::wait), json("wait"));
    EXPECT_EQ(decodeJSON<PracticeHand>(json("left")), PracticeHand::left);
    EXPECT_THROW(decodeJSON<PracticeHand>(json("Left")), JSONDecodingError);
    EXPECT_EQ(fromRawValue<PracticeMode>("Practice"), std::nullopt);
    EXPECT_EQ(allCases<PracticeMode>(),
              (std::array{PracticeMode::accompaniment, PracticeMode::practice, PracticeMode::wait}));

    // Arrays name the failing element.
    try {
        decodeJSON<std::vector<std::int64_t>>(json{1, 2, "3"}, "counts");
        FAIL();
    } catch (const JSONDecodingError& error) {
        EXPECT_EQ(error.codingPath(), "counts[2]");
    }
    EXPECT_THROW(decodeJSON<std::vector<std::int64_t>>(json{1, nullptr}), JSONDecodingError);

    // The loop keeps both members required and numeric, unchecked.
    EXPECT_EQ(decodeJSON<MIDILoopRange>(json{{"startSeconds", 5}, {"endSeconds", 1}}), (MIDILoopRange{5, 1}));
    EXPECT_THROW(decodeJSON<MIDILoopRange>(json{{"startSeconds", 5}}), JSONDecodingError);
    EXPECT_THROW(decodeJSON<MIDILoopRange>(json{{"startSeconds", 5}, {"endSeconds", "6"}}), JSONDecodingError);
}

TEST(LibraryDestination, SidebarOrderAndTitles)
{
    ASSERT_EQ(primaryLibraryDestinations.size(), 3u);
    EXPECT_EQ(id(primaryLibraryDestinations[0]), "practice");
    EXPECT_EQ(id(primaryLibraryDestinations[1]), "library");
    EXPECT_EQ(id(primaryLibraryDestinations[2]), "recent");
    EXPECT_EQ(title(LibraryDestination::practice), "Pr\u00E1tica");
}
