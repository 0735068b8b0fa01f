#pragma once

#include <QDateTime>

#include <string>

#include "CorvaneDomain/PracticeHistoryEntry.hpp"
#include "CorvaneDomain/RecentPracticeSong.hpp"

// Records of the recent-practice screens, made as the stores would hand them over.
namespace recent_records {

// A moment of local time, as the interface shows dates.
inline corvane::Date localDate(int year, int month, int day, int hour, int minute, int second = 0)
{
    const QDateTime moment(QDate(year, month, day), QTime(hour, minute, second));
    return corvane::Date::fromSecondsSince1970(double(moment.toSecsSinceEpoch()));
}

inline corvane::PracticeSongReference fileReference(const std::string& name)
{
    return corvane::PracticeSongReference::externalFile("/músicas/" + name + ".mid");
}

inline corvane::RecentPracticeSong song(const std::string& title, double seconds = 90, std::int64_t notes = 12,
                                        corvane::Date when = corvane::Date::now())
{
    return {title, fileReference(title), when, 4.5,
            corvane::PracticeMetrics::unnormalized(seconds, notes, notes, 0, 0, 0)};
}

inline corvane::PracticeHistoryEntry session(const std::string& title,
                                             corvane::PracticeMetrics metrics = corvane::PracticeMetrics::zero(),
                                             corvane::Date startedAt = corvane::Date::now())
{
    return {corvane::UUID::random(), title, fileReference(title), startedAt, startedAt.addingTimeInterval(60), 7.25,
            metrics};
}

} // namespace recent_records
