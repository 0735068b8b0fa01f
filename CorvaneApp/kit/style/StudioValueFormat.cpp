#include "CorvaneApp/kit/style/StudioValueFormat.hpp"

#include <algorithm>
#include <cmath>

#include "CorvaneApp/kit/style/StudioLocale.hpp"

namespace corvane {

namespace {

// `value` with `digits` fraction digits, grouped, in pt_BR.
QString number(double value, int digits)
{
    digits = std::clamp(digits, 0, 15);
    const double scale = std::pow(10.0, digits);
    double rounded = std::round(value * scale) / scale;
    // Past what the scaling can hold, the value is already whole in its digits.
    if (!std::isfinite(rounded)) rounded = value;
    if (rounded == 0) rounded = 0; // drops the sign of -0
    return studioLocale().toString(rounded, 'f', digits);
}

} // namespace

QString StudioValueFormat::text(double value) const
{
    if (!std::isfinite(value)) return QStringLiteral("—");
    switch (kind) {
    case Kind::decimal: return number(value, fractionLength);
    case Kind::percent: return number(value * 100, 0) + QLatin1Char('%');
    case Kind::percentFine: return number(value * 100, 1) + QLatin1Char('%');
    case Kind::pixels: return number(value, 0) + QStringLiteral(" px");
    case Kind::milliseconds: return number(value, 0) + QStringLiteral(" ms");
    case Kind::seconds: return number(value, 0) + QStringLiteral(" s");
    }
    return number(value, 0);
}

int StudioValueFormat::readoutWidth() const
{
    switch (kind) {
    case Kind::decimal: return 44;
    case Kind::percent: return 44;
    case Kind::percentFine: return 48;
    case Kind::pixels: return 58;
    case Kind::milliseconds: return 52;
    case Kind::seconds: return 40;
    }
    return 44;
}

} // namespace corvane
