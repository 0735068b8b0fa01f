#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CorvaneApp/library/RecentPracticeLabels.hpp"
#include "RecentPracticeTestSupport.hpp"

using namespace corvane;
using recent_records::localDate;

TEST(RecentPracticeLabels, DurationsTruncateToWholeMinutesAndHours)
{
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "<1 min"},       {59, "<1 min"},        {59.9, "<1 min"},    {60, "1 min"},
                 {3599, "59 min"},    {3599.99, "59 min"},   {3600, "1h 0min"},   {7325, "2h 2min"},
                 {360000, "100h 0min"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(recentDurationLabel(seconds), text) << seconds;

    // Stored sums are not guaranteed clean: nothing here may be cast out of range.
    const double infinity = std::numeric_limits<double>::infinity();
    for (double bad : {-1.0, -3600.0, -infinity, infinity, std::nan("")})
        EXPECT_EQ(recentDurationLabel(bad), "<1 min") << bad;
    // At and past 2^63 seconds the count saturates at the largest 64-bit value.
    EXPECT_EQ(recentDurationLabel(1e30), "2562047788015215h 30min");
    EXPECT_EQ(recentDurationLabel(9223372036854775808.0), "2562047788015215h 30min");
    EXPECT_EQ(recentDurationLabel(std::numeric_limits<double>::max()), "2562047788015215h 30min");
}

TEST(RecentPracticeLabels, SummaryAndNotesAreDigitsWithoutGroupingAndNeverNegative)
{
    EXPECT_EQ(timingSummary(PracticeMetrics::unnormalized(0, 6, 3, 1, 0, 2)),
              "3 no tempo · 1 antes · 0 depois · 2 incorretas");
    EXPECT_EQ(timingSummary(PracticeMetrics::unnormalized(0, 0, 1234567, -4, std::numeric_limits<std::int64_t>::min(),
                                                          std::numeric_limits<std::int64_t>::max())),
              "1234567 no tempo · 0 antes · 0 depois · 9223372036854775807 incorretas");
    EXPECT_EQ(playedNotesLabel(1), "1 notas");
    EXPECT_EQ(playedNotesLabel(25000), "25000 notas");
    EXPECT_EQ(playedNotesLabel(-3), "0 notas");
}

TEST(RecentPracticeLabels, RelativeDatesNameTheLargestWholeCalendarUnit)
{
    const Date now = localDate(2024, 6, 15, 12, 0);
    const struct {
        Date date;
        const char* text;
    } cases[] = {
        {now, "agora"},
        {now.addingTimeInterval(-0.4), "agora"},
        {now.addingTimeInterval(-30), "há 30 segundos"},
        {now.addingTimeInterval(-5 * 60 - 59), "há 5 minutos"},
        {now.addingTimeInterval(-2 * 3600), "há 2 horas"},
        // 23 hours ago is yesterday by the calendar, but not a whole day.
        {localDate(2024, 6, 14, 13, 0), "há 23 horas"},
        {localDate(2024, 6, 14, 12, 0), "ontem"},
        {localDate(2024, 6, 7, 9, 0), "semana passada"},
        {localDate(2024, 5, 25, 12, 0), "há 3 semanas"},
        {localDate(2024, 4, 10, 12, 0), "há 2 meses"},
        {localDate(2023, 6, 1, 12, 0), "ano passado"},
        {localDate(2022, 3, 1, 8, 0), "há 2 anos"},
        {now.addingTimeInterval(5 * 60), "em 5 minutos"},
        {localDate(2024, 6, 16, 12, 0), "amanhã"},
        {localDate(2024, 6, 18, 12, 30), "em 3 dias"},
    };
    for (const auto& [date, text] : cases)
        EXPECT_EQ(relativeDateLabel(date, now), QString::fromUtf8(text)) << text;

    // A date that cannot be placed shows no text at all.
    const double infinity = std::numeric_limits<double>::infinity();
    for (double bad : {std::nan(""), infinity, -infinity, 1e300, -1e300}) {
        EXPECT_EQ(relativeDateLabel(Date{bad}, now), "") << bad;
        EXPECT_EQ(relativeDateLabel(now, Date{bad}), "") << bad;
    }
}

TEST(RecentPracticeLabels, SessionDatesAreDayMonthAndTimeInLocalTime)
{
    EXPECT_EQ(sessionDateLabel(localDate(2025, 12, 9, 14, 5)), "9 de dez., 14:05");
    EXPECT_EQ(sessionDateLabel(localDate(2024, 3, 21, 8, 30, 59)), "21 de mar., 08:30");
    EXPECT_EQ(sessionDateLabel(Date{std::nan("")}), "");
    EXPECT_EQ(sessionDateLabel(Date{std::numeric_limits<double>::infinity()}), "");
    EXPECT_EQ(sessionDateLabel(Date{-1e300}), "");
}
