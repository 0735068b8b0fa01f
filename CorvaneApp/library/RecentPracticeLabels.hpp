#pragma once

#include <QString>

#include <cstdint>

#include "CorvaneDomain/Date.hpp"
#include "CorvaneDomain/PracticeMetrics.hpp"

namespace corvane {

// The texts of the recent-practice rows and the sidebar, all in pt_BR.
// Stored records are shown as they were decoded, so every function here
// takes values that were never cleaned: nothing non-finite, negative or
// out of range may crash, wrap or print nonsense.

// Practised time, truncated to whole seconds: "<1 min", "59 min", "2h 2min".
// Not finite or negative reads "<1 min"; beyond the 64-bit range of seconds
// the count saturates.
QString recentDurationLabel(double seconds);

// "3 no tempo · 1 antes · 0 depois · 2 incorretas"; negative counts read 0.
QString timingSummary(const PracticeMetrics& metrics);

// "12 notas" (the same word for one); a negative count reads 0.
QString playedNotesLabel(std::int64_t count);

// `date` relative to `now` in named, full words, counted in the largest
// whole calendar unit of local time: "agora", "há 5 minutos", "ontem",
// "semana passada", "há 2 anos", "em 3 dias". Empty when either date is not
// finite or lies outside the calendar's range.
QString relativeDateLabel(Date date, Date now);
QString relativeDateLabel(Date date);

// Day, abbreviated month, hour and minute in local time: "9 de dez., 14:05".
// Empty when the date is not finite or lies outside the calendar's range.
QString sessionDateLabel(Date date);

} // namespace corvane
