#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <fstream>
#include <mutex>

#include "CorvaneApp/kit/style/StudioFonts.hpp"
#include "CorvaneApp/kit/style/StudioResourceBundle.hpp"
#include "CorvaneApp/kit/style/StudioTypography.hpp"
#include "support/TestFolder.hpp"

using namespace corvane;

namespace {

// The typography log's lines while it lives.
class TypographyMessages {
public:
    TypographyMessages() { previous_ = qInstallMessageHandler(&TypographyMessages::collect); }
    ~TypographyMessages()
    {
        qInstallMessageHandler(previous_);
        lines().clear();
    }
    static std::vector<std::string>& lines()
    {
        static std::vector<std::string> value;
        return value;
    }

private:
    static void collect(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && std::string(context.category) == "com.corvane.linux.typography")
            lines().push_back(message.toStdString());
    }
    QtMessageHandler previous_ = nullptr;
};

std::vector<std::filesystem::path> bundledFonts() { return StudioResourceBundle::urls("ttf", "Fonts"); }

} // namespace

TEST(StudioTypography, NoFontFilesMeansSystemFonts)
{
    TypographyMessages log;
    EXPECT_FALSE(StudioTypography::registerFonts({}));
    EXPECT_EQ(TypographyMessages::lines(), std::vector<std::string>{"nenhuma fonte .ttf encontrada nos bundles candidatos"});
}

TEST(StudioTypography, ABrokenFileIsReportedAndTheOthersStillRegister)
{
    const auto fonts = bundledFonts();
    if (fonts.empty()) GTEST_SKIP() << "the build fetched no fonts";
    TestFolder folder("brelmo-typography-test");
    const auto broken = folder.path() / "Broken.ttf";
    std::ofstream(broken) << "not a font";

    TypographyMessages log;
    EXPECT_FALSE(StudioTypography::registerFonts({fonts.front(), broken}));
    EXPECT_EQ(TypographyMessages::lines(),
              (std::vector<std::string>{"falha ao registrar Broken.ttf: erro desconhecido",
                                        "usando fontes do sistema como fallback"}));
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("IBM Plex Mono")) ||
                QFontDatabase::families().contains(QStringLiteral("IBM Plex Sans")) ||
                QFontDatabase::families().contains(QStringLiteral("Barlow Condensed")));
}

TEST(StudioTypography, TheBundledFacesBecomeTheStudioFonts)
{
    if (bundledFonts().empty()) GTEST_SKIP() << "the build fetched no fonts";
    TypographyMessages log;
    ASSERT_TRUE(StudioTypography::isAvailable());
    // Registering them again is no failure.
    EXPECT_TRUE(StudioTypography::registerFonts(bundledFonts()));
    EXPECT_TRUE(TypographyMessages::lines().empty());

    EXPECT_EQ(QFontInfo(studioBody()).family(), "IBM Plex Sans");
    EXPECT_EQ(QFontInfo(studioHeadline()).family(), "IBM Plex Sans");
    EXPECT_EQ(QFontInfo(studioHeadline()).weight(), QFont::DemiBold);
    EXPECT_EQ(QFontInfo(studioLegend()).family(), "Barlow Condensed");
    EXPECT_EQ(QFontInfo(studioReadoutLarge()).family(), "IBM Plex Mono");
    EXPECT_EQ(QFontInfo(studioReadoutLarge()).weight(), QFont::Medium);
    // Sizes are logical pixels, whole or half.
    EXPECT_EQ(QFontInfo(studioBody()).pixelSize(), 13);
    EXPECT_EQ(QFontInfo(studioDisplay(40)).pixelSize(), 40);
    EXPECT_NEAR(studioLegend().pointSizeF() * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72, 11.5,
                0.01);
    // Without the bundled faces: the system font at the same size and weight.
    const QFont fallback = studioFont("IBM Plex Sans", 13.5, QFont::DemiBold, false);
    EXPECT_EQ(fallback.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(fallback.weight(), QFont::DemiBold);
}
