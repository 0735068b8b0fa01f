#pragma once

#include <compare>

namespace corvane {

// A point in time as seconds since 2001-01-01 00:00:00 UTC, the reference
// date of the stored records (so a stored 0 is 2001, not 1970).
struct Date {
    static constexpr double referenceDateSecondsSince1970 = 978'307'200.0;

    double secondsSinceReferenceDate = 0;

    static Date now();
    static Date fromSecondsSince1970(double seconds) { return {seconds - referenceDateSecondsSince1970}; }
    double secondsSince1970() const { return secondsSinceReferenceDate + referenceDateSecondsSince1970; }

    // This date minus `other`, in seconds.
    double timeIntervalSince(Date other) const { return secondsSinceReferenceDate - other.secondsSinceReferenceDate; }
    Date addingTimeInterval(double seconds) const { return {secondsSinceReferenceDate + seconds}; }

    bool operator==(const Date&) const = default;
    auto operator<=>(const Date&) const = default;
};

} // namespace corvane
