// The loop editor's texts, each rule on its own.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CorvaneApp/inspector/InspectorLoopLabels.hpp"
#include "CorvaneDomain/PracticeLoopBookmark.hpp"

using namespace corvane;

namespace {

PracticeLoopBookmark loop(std::int64_t start, std::int64_t end, std::string name, std::int64_t repetitions = 0,
                          PracticeMetrics metrics = PracticeMetrics::zero())
{
    return PracticeLoopBookmark(UUID::random(), start, end, std::move(name), metrics, repetitions, std::nullopt);
}

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

} // namespace

TEST(InspectorLoopLabels, StepsAndTimesReadAsTheEditorShowsThem)
{
    EXPECT_EQ(stepLabel(0.01), "10 ms");
    EXPECT_EQ(stepLabel(0.05), "50 ms");
    EXPECT_EQ(stepLabel(0.1), "100 ms");
    EXPECT_EQ(stepLabel(0.25), "250 ms");
    EXPECT_EQ(stepLabel(0.5), "500 ms");
    EXPECT_EQ(stepLabel(1.5), "1,5 s") << "pt_BR decimal comma whatever the process locale";
    EXPECT_EQ(stepLabel(2), "2 s");
    EXPECT_EQ(stepLabel(1.234), "1,23 s");
    EXPECT_EQ(stepLabel(0.0005), "1 ms") << "halves away from zero";
    EXPECT_EQ(stepLabel(0.9995), "1 s") << "999,5 ms rounds to a second";
    EXPECT_EQ(stepLabel(1500), "1.500 s");
    for (double bad : {notANumber, infinity, -infinity, -0.05, 1e300}) EXPECT_EQ(stepLabel(bad), "0 ms") << bad;

    EXPECT_EQ(preciseTimeLabel(0), "0:00,00");
    EXPECT_EQ(preciseTimeLabel(83.456), "1:23,46");
    EXPECT_EQ(preciseTimeLabel(3725.5), "62:05,50");
    EXPECT_EQ(preciseTimeLabel(59.999), "1:00,00");
    EXPECT_EQ(preciseTimeLabel(-0.004), "0:00,00");
    EXPECT_EQ(preciseTimeLabel(0.005), "0:00,01");
    for (double bad : {notANumber, infinity, -infinity, -12.0, 1e300}) EXPECT_EQ(preciseTimeLabel(bad), "0:00,00") << bad;
}

TEST(InspectorLoopLabels, TheActivationHelpNamesWhatTheRowHides)
{
    // The automatic name only when the row shows another.
    EXPECT_EQ(savedLoopActivateHelp(loop(5, 8, "   ")), "Ativar este trecho e voltar ao começo dele · 4 compassos");
    EXPECT_EQ(savedLoopActivateHelp(loop(7, 7, "Ponte")),
              "Ativar este trecho e voltar ao começo dele · Compasso 7 · 1 compassos");
    // 12 graded notes, 9 on time; played notes and active time are not graded.
    const auto practised = loop(3, 6, "", 3, PracticeMetrics(95, 40, 9, 1, 1, 1));
    EXPECT_EQ(savedLoopActivateHelp(practised), "Ativar este trecho e voltar ao começo dele · 4 compassos · 12 notas "
                                                "avaliadas em 3 repetições");
    EXPECT_EQ(savedLoopActivateHelp(loop(1, 1500, "", 2000, PracticeMetrics(1, 0, 1000, 200, 0, 0))),
              "Ativar este trecho e voltar ao começo dele · 1500 compassos · 1200 notas avaliadas em 2000 repetições")
        << "plain integers, no grouping";

    EXPECT_EQ(loopRepetitionsLabel(3), "3×");
    EXPECT_EQ(loopAccuracyLabel(0.75), "75%");
    EXPECT_EQ(loopAccuracyLabel(2.0 / 3), "67%");
    EXPECT_EQ(loopAccuracyLabel(notANumber), "0%");
}
