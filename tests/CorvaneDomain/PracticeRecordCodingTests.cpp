#include <gtest/gtest.h>

#include <cmath>
#include <unordered_set>

#include "CorvaneDomain/PersistedPracticeSession.hpp"
#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/PracticeSong.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

using namespace corvane;
using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

namespace {

const auto invalidNumberOfKeys = "Invalid number of keys found, expected one.";

JSONDecodingError decodingError(const json& value, auto decode)
{
    try {
        decode(value);
    } catch (const JSONDecodingError& error) {
        return error;
    }
    ADD_FAILURE() << "decoded " << value.dump();
    return JSONDecodingError(JSONDecodingError::DataCorrupted{"", ""});
}

JSONDecodingError referenceError(const json& value)
{
    return decodingError(value, [](const json& v) { decodeJSON<PracticeSongReference>(v); });
}

PersistedPracticeSession sampleSession()
{
    return PersistedPracticeSession(UUID::random(), "Nocturne", PracticeSongReference::externalFile("/m/n.mid", Bytes{1, 2, 250}),
                                    Date{100.25}, Date{160.5}, 42.125, 0.75, MIDILoopRange{8, 16},
                                    PracticeMode::wait, PracticeHand::left, 35, VisualPreset::builtIn(),
                                    PracticeMetrics(60.5, 10, 7, 1, 1, 1));
}

} // namespace

TEST(PracticeSongReference, StableIDStandardisesThePath)
{
    EXPECT_EQ(PracticeSongReference::bundledDemo("fur-elise").stableID(), "demo:fur-elise");
    EXPECT_EQ(PracticeSongReference::bundledDemo("").stableID(), "demo:");

    const auto plain = PracticeSongReference::externalFile("/home/ana/Music/song.mid");
    EXPECT_EQ(plain.stableID(), "file:/home/ana/Music/song.mid");
    EXPECT_EQ(PracticeSongReference::externalFile("/home/ana/./Music/song.mid").stableID(), plain.stableID());
    EXPECT_EQ(PracticeSongReference::externalFile("/home/ana/Other/../Music/song.mid").stableID(), plain.stableID());
    EXPECT_EQ(PracticeSongReference::externalFile("/home//ana/Music/./x/../song.mid").stableID(), plain.stableID());

    // The bookmark plays no part in the key, but does in equality.
    const auto withBookmark = PracticeSongReference::externalFile("/home/ana/Music/song.mid", Bytes{1, 2, 3});
    EXPECT_EQ(withBookmark.stableID(), plain.stableID());
    EXPECT_NE(withBookmark, plain);
    EXPECT_NE(withBookmark, PracticeSongReference::externalFile("/home/ana/Music/song.mid", Bytes{1, 2, 4}));
    EXPECT_NE(PracticeSongReference::externalFile("x"), PracticeSongReference::bundledDemo("x"));

    const PracticeSongReferenceHash hash;
    EXPECT_EQ(hash(withBookmark), hash(PracticeSongReference::externalFile("/home/ana/Music/song.mid", Bytes{1, 2, 3})));
    std::unordered_set<PracticeSongReference, PracticeSongReferenceHash> set{withBookmark, plain, withBookmark};
    EXPECT_EQ(set.size(), 2u);
}

TEST(PracticeSongReference, CodingIsOneCaseObject)
{
    const auto plain = PracticeSongReference::externalFile("/a/b.mid");
    EXPECT_EQ(encodeJSON(plain), (json{{"externalFile", {{"path", "/a/b.mid"}}}}));
    EXPECT_EQ(decodeJSON<PracticeSongReference>(json{{"externalFile", {{"path", "/a/b.mid"}, {"bookmarkData", nullptr}}}}),
              plain);

    Bytes everyByte(256);
    for (int i = 0; i < 256; ++i) everyByte[i] = static_cast<std::uint8_t>(i);
    const auto bookmarked = PracticeSongReference::externalFile("/a/b.mid", everyByte);
    EXPECT_EQ(decodeJSONText<PracticeSongReference>(encodeJSONText(bookmarked)), bookmarked);
    EXPECT_EQ(encodeJSON(PracticeSongReference::externalFile("/x", Bytes{0xFF, 0xEE}))["externalFile"]["bookmarkData"],
              "/+4=");

    const auto demo = PracticeSongReference::bundledDemo("minuet");
    EXPECT_EQ(encodeJSON(demo), (json{{"bundledDemo", {{"id", "minuet"}}}}));
    EXPECT_EQ(decodeJSON<PracticeSongReference>(json{{"bundledDemo", {{"id", "minuet"}}}, {"extra", 1}}), demo);
}

TEST(PracticeSongReference, DecodingFailures)
{
    const auto none = referenceError(json::object());
    ASSERT_TRUE(none.as<JSONDecodingError::TypeMismatch>());
    EXPECT_EQ(none.as<JSONDecodingError::TypeMismatch>()->description, invalidNumberOfKeys);

    const auto both = referenceError(json{{"bundledDemo", {{"id", "a"}}}, {"externalFile", {{"path", "/b"}}}});
    ASSERT_TRUE(both.as<JSONDecodingError::TypeMismatch>());
    EXPECT_EQ(both.as<JSONDecodingError::TypeMismatch>()->description, invalidNumberOfKeys);
    // An unknown member does not make up for a missing case.
    EXPECT_TRUE(referenceError(json{{"streamedDemo", {{"id", "a"}}}}).as<JSONDecodingError::TypeMismatch>());

    EXPECT_EQ(referenceError(json{{"externalFile", json::object()}}),
              JSONDecodingError(JSONDecodingError::KeyNotFound{"externalFile", "path"}));
    EXPECT_TRUE(referenceError(json{{"bundledDemo", {{"id", 7}}}}).as<JSONDecodingError::TypeMismatch>());
    EXPECT_TRUE(referenceError(json{{"bundledDemo", "a"}}).as<JSONDecodingError::TypeMismatch>());
    EXPECT_TRUE(referenceError(json::array()).as<JSONDecodingError::TypeMismatch>());

    // Bookmark text must be well-formed padded Base64.
    for (const char* bad : {"AQI", "AQI=x", "AQ=I", "AQ I=", "A===", "AQI\n"})
        EXPECT_TRUE(referenceError(json{{"externalFile", {{"path", "/b"}, {"bookmarkData", bad}}}})
                        .as<JSONDecodingError::DataCorrupted>())
            << bad;
}

TEST(PracticeSong, TitleFromTheFileName)
{
    const auto id = UUID::random();
    EXPECT_EQ(PracticeSong(id, "/m/Nocturne.mid", std::nullopt).title(), "Nocturne");
    EXPECT_EQ(PracticeSong(id, "/m/Sonata.final.mid", std::nullopt).title(), "Sonata.final");
    EXPECT_EQ(PracticeSong(id, "/m/README", std::nullopt).title(), "README");
    EXPECT_EQ(PracticeSong(id, "/m/Nocturne.mid", "").title(), "");
    EXPECT_NE(PracticeSong(UUID::random(), "/m/a.mid", "a"), PracticeSong(UUID::random(), "/m/a.mid", "a"));
}

TEST(PersistedPracticeSession, RoundTripAndOptionalLoop)
{
    auto session = sampleSession();
    EXPECT_EQ(decodeJSONText<PersistedPracticeSession>(encodeJSONText(session)), session);

    session.loopRange.reset();
    auto encoded = encodeJSON(session);
    EXPECT_FALSE(encoded.contains("loopRange"));
    EXPECT_EQ(decodeJSON<PersistedPracticeSession>(encoded), session);
    encoded["loopRange"] = nullptr;
    EXPECT_EQ(decodeJSON<PersistedPracticeSession>(encoded), session);

    // Stored values are taken as they stand.
    session.playbackRate = -2;
    EXPECT_EQ(decodeJSON<PersistedPracticeSession>(encodeJSON(session)).playbackRate, -2);
}

TEST(PersistedPracticeSession, EveryOtherMemberIsRequired)
{
    const auto encoded = encodeJSON(sampleSession());
    for (const auto& [key, value] : encoded.items()) {
        if (key == "loopRange") continue;
        json missing = encoded;
        missing.erase(key);
        EXPECT_EQ(decodingError(missing, [](const json& v) { decodeJSON<PersistedPracticeSession>(v); }),
                  JSONDecodingError(JSONDecodingError::KeyNotFound{"", key}));
        json null = encoded;
        null[key] = nullptr;
        EXPECT_TRUE(decodingError(null, [](const json& v) { decodeJSON<PersistedPracticeSession>(v); })
                        .as<JSONDecodingError::ValueNotFound>())
            << key;
    }

    // Nested failures fail the whole record and say where.
    auto nested = [&](const char* pointer, json value) {
        json broken = encoded;
        broken[json::json_pointer(pointer)] = std::move(value);
        return decodingError(broken, [](const json& v) { decodeJSON<PersistedPracticeSession>(v); });
    };
    EXPECT_EQ(nested("/practiceMode", "shuffle").codingPath(), "practiceMode");
    EXPECT_EQ(nested("/loopRange", json{{"startSeconds", 1}}),
              JSONDecodingError(JSONDecodingError::KeyNotFound{"loopRange", "endSeconds"}));
    EXPECT_EQ(nested("/visualPreset/trackColors/1/brightness", "bright").codingPath(),
              "visualPreset.trackColors[1].brightness");
    EXPECT_EQ(nested("/metrics/correctCount", 0.5).codingPath(), "metrics.correctCount");
    EXPECT_EQ(nested("/historyEntryID", "not-a-uuid").codingPath(), "historyEntryID");
    EXPECT_EQ(nested("/songReference", json::object()).codingPath(), "songReference");
}

TEST(PersistedPracticeSession, NonFiniteValuesRefuseToEncode)
{
    auto session = sampleSession();
    session.visualPreset.smokeSpeed = NAN;
    try {
        encodeJSON(session);
        FAIL() << "encoded NaN";
    } catch (const JSONEncodingError& error) {
        EXPECT_EQ(error.codingPath(), "visualPreset.smokeSpeed");
    }
    session = sampleSession();
    session.positionSeconds = INFINITY;
    EXPECT_THROW(encodeJSON(session), JSONEncodingError);
}

TEST(PracticeHistoryEntry, CodingAndDates)
{
    const PracticeHistoryEntry entry(*UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"), "Minueto",
                                     PracticeSongReference::bundledDemo("minuet"), Date{0}, Date{86400.5}, 12.0,
                                     PracticeMetrics(3, 2, 1, 1, 0, 0));
    auto encoded = encodeJSON(entry);
    EXPECT_EQ(encoded["id"], "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(encoded["startedAt"], 0.0);
    // Seconds since 2001, not 1970.
    EXPECT_DOUBLE_EQ(decodeJSON<PracticeHistoryEntry>(encoded).startedAt().secondsSince1970(), 978307200.0);

    encoded["comment"] = "from a later version";
    const auto decoded = decodeJSON<PracticeHistoryEntry>(encoded);
    EXPECT_EQ(decoded, entry);
    EXPECT_FALSE(encodeJSON(decoded).contains("comment"));

    auto other = entry;
    other.metrics.correctCount += 1;
    EXPECT_NE(other, entry);

    const auto complete = encodeJSON(entry);
    for (const auto& [key, value] : complete.items()) {
        json missing = complete;
        missing.erase(key);
        EXPECT_THROW(decodeJSON<PracticeHistoryEntry>(missing), JSONDecodingError) << key;
    }
}

TEST(RecentPracticeSong, IdentityIsTheSongKey)
{
    const RecentPracticeSong a{"A", PracticeSongReference::externalFile("/m/./a.mid"), Date{1}, 2,
                               PracticeMetrics::zero()};
    const RecentPracticeSong b{"B", PracticeSongReference::externalFile("/m/a.mid", Bytes{9}), Date{5}, 7,
                               PracticeMetrics(1, 1, 1, 0, 0, 0)};
    EXPECT_EQ(a.id(), "file:/m/a.mid");
    EXPECT_EQ(a.id(), b.id());
    EXPECT_NE(a, b);
    EXPECT_EQ((RecentPracticeSong{"D", PracticeSongReference::bundledDemo("d"), Date{}, 0, PracticeMetrics::zero()}.id()),
              "demo:d");
}
