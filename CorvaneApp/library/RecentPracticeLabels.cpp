#include "CorvaneApp/library/RecentPracticeLabels.hpp"

#include <unicode/ucal.h>
#include <unicode/udat.h>
#include <unicode/ureldatefmt.h>

#include <array>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

// The window's language, whatever the user's own locale.
constexpr const char* icuLocale = "pt_BR";

// The calendar's own limits, a little inside them: beyond these ICU neither
// fails nor gives a meaningful date.
constexpr double earliestMilliseconds = -1.8e17;
constexpr double latestMilliseconds = 1.8e17;

std::int64_t shownCount(std::int64_t count) { return count < 0 ? 0 : count; }

// Milliseconds since 1970 for ICU, or nothing for a date it cannot place.
bool icuMilliseconds(Date date, UDate& milliseconds)
{
    const double value = date.secondsSince1970() * 1000.0;
    if (!std::isfinite(value) || value < earliestMilliseconds || value > latestMilliseconds) return false;
    milliseconds = value;
    return true;
}

QString fromICU(const UChar* text, int32_t length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// The formatters are costly to open and used only on the main thread: one of each, kept.
URelativeDateTimeFormatter* relativeFormatter()
{
    static URelativeDateTimeFormatter* formatter = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = ureldatefmt_open(icuLocale, nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, &status);
        return U_FAILURE(status) ? nullptr : made;
    }();
    return formatter;
}

UCalendar* localCalendar()
{
    static UCalendar* calendar = [] {
        UErrorCode status = U_ZERO_ERROR;
        auto made = ucal_open(nullptr, 0, icuLocale, UCAL_GREGORIAN, &status);
        return U_FAILURE(status) ? nullptr : made;
    }();
    return calendar;
}

UDateFormat* sessionDateFormat()
{
    static UDateFormat* format = [] {
        UErrorCode status = U_ZERO_ERROR;
        static const char16_t pattern[] = u"d 'de' MMM, HH:mm";
        auto made = udat_open(UDAT_PATTERN, UDAT_PATTERN, icuLocale, nullptr, 0,
                              reinterpret_cast<const UChar*>(pattern), -1, &status);
        return U_FAILURE(status) ? nullptr : made;
    }();
    return format;
}

} // namespace

QString recentDurationLabel(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0) return QStringLiteral("<1 min");
    // 2^63 is exactly representable; at or past it the cast would be undefined.
    constexpr double beyondInt64 = 9223372036854775808.0;
    const std::int64_t total =
        seconds >= beyondInt64 ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(seconds);
    if (total < 3600) {
        const std::int64_t minutes = total / 60;
        if (minutes < 1) return QStringLiteral("<1 min");
        return QStringLiteral("%1 min").arg(minutes);
    }
    return QStringLiteral("%1h %2min").arg(total / 3600).arg((total / 60) % 60);
}

QString timingSummary(const PracticeMetrics& metrics)
{
    return QStringLiteral("%1 no tempo \u00b7 %2 antes \u00b7 %3 depois \u00b7 %4 incorretas")
        .arg(shownCount(metrics.correctCount))
        .arg(shownCount(metrics.earlyCount))
        .arg(shownCount(metrics.lateCount))
        .arg(shownCount(metrics.incorrectCount));
}

QString playedNotesLabel(std::int64_t count) { return QStringLiteral("%1 notas").arg(shownCount(count)); }

QString relativeDateLabel(Date date, Date now)
{
    UDate target = 0;
    UDate reference = 0;
    URelativeDateTimeFormatter* formatter = relativeFormatter();
    UCalendar* calendar = localCalendar();
    if (!formatter || !calendar || !icuMilliseconds(date, target) || !icuMilliseconds(now, reference)) return {};

    // Walk from now towards the date unit by unit, largest first; the first
    // unit with a whole step names the distance ("há 3 semanas", not "há 23 dias").
    struct Unit {
        UCalendarDateFields field;
        URelativeDateTimeUnit relative;
    };
    static constexpr std::array<Unit, 7> units{{{UCAL_YEAR, UDAT_REL_UNIT_YEAR},
                                                {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
                                                {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK},
                                                {UCAL_DATE, UDAT_REL_UNIT_DAY},
                                                {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},
                                                {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
                                                {UCAL_SECOND, UDAT_REL_UNIT_SECOND}}};
    UErrorCode status = U_ZERO_ERROR;
    ucal_setMillis(calendar, reference, &status);
    int32_t steps = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    for (const auto& candidate : units) {
        steps = ucal_getFieldDifference(calendar, target, candidate.field, &status);
        if (U_FAILURE(status)) return {};
        if (steps != 0) {
            unit = candidate.relative;
            break;
        }
    }

    std::array<UChar, 128> text{};
    const int32_t length =
        ureldatefmt_format(formatter, static_cast<double>(steps), unit, text.data(), int32_t(text.size()), &status);
    if (U_FAILURE(status)) return {};
    return fromICU(text.data(), length);
}

QString relativeDateLabel(Date date) { return relativeDateLabel(date, Date::now()); }

QString sessionDateLabel(Date date)
{
    UDate milliseconds = 0;
    UDateFormat* format = sessionDateFormat();
    if (!format || !icuMilliseconds(date, milliseconds)) return {};
    std::array<UChar, 128> text{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(format, milliseconds, text.data(), int32_t(text.size()), nullptr, &status);
    if (U_FAILURE(status)) return {};
    return fromICU(text.data(), length);
}

} // namespace corvane
