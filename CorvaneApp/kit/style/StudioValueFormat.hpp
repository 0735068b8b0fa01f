#pragma once

#include <QString>

namespace corvane {

// How a read-out prints a value, always in pt_BR (decimal comma, "." between
// thousands), whatever the user's locale.
struct StudioValueFormat {
    enum class Kind { decimal, percent, percentFine, pixels, milliseconds, seconds };

    Kind kind = Kind::decimal;
    int fractionLength = 0; // of `decimal` only

    static constexpr StudioValueFormat decimal(int fractionLength) { return {Kind::decimal, fractionLength}; }
    static constexpr StudioValueFormat percent() { return {Kind::percent, 0}; }
    static constexpr StudioValueFormat percentFine() { return {Kind::percentFine, 0}; }
    static constexpr StudioValueFormat pixels() { return {Kind::pixels, 0}; }
    static constexpr StudioValueFormat milliseconds() { return {Kind::milliseconds, 0}; }
    static constexpr StudioValueFormat seconds() { return {Kind::seconds, 0}; }

    // "1.234,50" (decimal 2), "50%", "12,5%", "-160 px", "13 ms", "5 s".
    // Rounded half away from zero; a value that rounds to zero never prints
    // as "-0", and one that is not finite prints "—".
    QString text(double value) const;

    // The width a parameter row keeps for this format's read-out.
    int readoutWidth() const;

    bool operator==(const StudioValueFormat&) const = default;
};

} // namespace corvane
