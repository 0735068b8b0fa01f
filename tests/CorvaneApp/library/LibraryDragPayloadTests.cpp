#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include <memory>

#include "CorvaneApp/library/LibraryDragPayload.hpp"

using namespace corvane;

namespace {

std::optional<LibraryDragPayload> decoded(const std::string& text)
{
    return LibraryDragPayload::decoded(QByteArray::fromStdString(text));
}

} // namespace

TEST(LibraryDragPayload, IsTitleThenReferenceInTheStoredJSONFormUnderItsOwnFormatOnly)
{
    const UUID source = *UUID::fromString("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    const struct {
        LibraryDragPayload payload;
        const char* bytes;
    } cases[] = {
        {{"Ode à Alegria", LibrarySongReference::bundledDemo("odeToJoy")},
         R"({"title":"Ode à Alegria","reference":{"bundledDemo":{"id":"odeToJoy"}}})"},
        {{"Minueto", LibrarySongReference::sourceTrack(source, "Bach/Minueto.mid")},
         R"({"title":"Minueto","reference":{"sourceTrack":{"relativePath":"Bach/Minueto.mid","sourceID":"0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"}}})"},
        {{"Solta \"nova\"", LibrarySongReference::externalFile("/tmp/solta.mid", std::vector<std::uint8_t>{1, 2, 3})},
         R"({"title":"Solta \"nova\"","reference":{"externalFile":{"bookmarkData":"AQID","path":"/tmp/solta.mid"}}})"},
        {{"Sem marca", LibrarySongReference::externalFile("/tmp/x.mid", std::nullopt)},
         R"({"title":"Sem marca","reference":{"externalFile":{"path":"/tmp/x.mid"}}})"},
    };
    for (const auto& [payload, bytes] : cases) {
        const auto encoded = payload.encoded();
        ASSERT_TRUE(encoded) << bytes;
        EXPECT_EQ(encoded->toStdString(), bytes);
        EXPECT_EQ(LibraryDragPayload::decoded(*encoded), payload) << bytes;
    }

    const std::unique_ptr<QMimeData> data(cases[1].payload.mimeData());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList{"application/x-com.corvane.library-song"});
    EXPECT_FALSE(data->hasUrls());
    EXPECT_FALSE(data->hasText());
    EXPECT_EQ(LibraryDragPayload::payloads(data.get()), std::vector<LibraryDragPayload>{cases[1].payload});

    // A title that is not UTF-8 (a Linux file name may be anything) makes no drag.
    const LibraryDragPayload broken{"\xff\xfe", LibrarySongReference::bundledDemo("odeToJoy")};
    EXPECT_EQ(broken.encoded(), std::nullopt);
    EXPECT_EQ(broken.mimeData(), nullptr);
}

TEST(LibraryDragPayload, RefusesOversizedMalformedOrMistypedDataAndIgnoresOtherKeys)
{
    const std::string demo = R"("reference":{"bundledDemo":{"id":"odeToJoy"}})";
    EXPECT_EQ(decoded(R"({"extra":[1,2],)" + demo + R"(,"title":"Ode"})"),
              (LibraryDragPayload{"Ode", LibrarySongReference::bundledDemo("odeToJoy")}));
    EXPECT_EQ(decoded(R"({"title":"x","reference":{"sourceTrack":{"sourceID":"0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d","relativePath":"a.mid"}}})")
                  ->reference,
              LibrarySongReference::sourceTrack(*UUID::fromString("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D"), "a.mid"))
        << "identifiers are read in either letter case";

    for (const std::string& refused : {
             std::string("not json"),
             std::string(R"(["title","reference"])"),
             "{" + demo + "}",
             std::string(R"({"title":"Ode"})"),
             "{\"title\":7," + demo + "}",
             "{\"title\":null," + demo + "}",
             std::string(R"({"title":"Ode","reference":"demo:odeToJoy"})"),
             std::string(R"({"title":"Ode","reference":{"bundledDemo":{}}})"),
             std::string(R"({"title":"Ode","reference":{"externalFile":{"path":"/a.mid","bookmarkData":"%%%"}}})"),
             std::string(R"({"title":"Ode","reference":{"sourceTrack":{"sourceID":"nope","relativePath":"a"}}})"),
         })
        EXPECT_EQ(decoded(refused), std::nullopt) << refused;

    // The size limit counts bytes, padding included.
    const std::string small = "{\"title\":\"Ode\"," + demo + "}";
    const std::string atLimit = small + std::string(LibraryDragPayload::maximumBytes - small.size(), ' ');
    EXPECT_TRUE(decoded(atLimit));
    EXPECT_EQ(decoded(atLimit + " "), std::nullopt);

    // Drag data of another kind carries no payload; unreadable data of ours none either.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a.mid")});
    EXPECT_TRUE(LibraryDragPayload::payloads(&files).empty());
    QMimeData garbage;
    garbage.setData(LibraryDragPayload::mimeType, "{");
    EXPECT_TRUE(LibraryDragPayload::isCarriedBy(&garbage));
    EXPECT_TRUE(LibraryDragPayload::payloads(&garbage).empty());
    EXPECT_TRUE(LibraryDragPayload::payloads(nullptr).empty());
}
