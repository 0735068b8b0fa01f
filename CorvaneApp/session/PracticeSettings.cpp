#include "CorvaneApp/session/PracticeSettings.hpp"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

template <class T> bool isUnset(T stored, UnsetWhen unset)
{
    switch (unset) {
    case UnsetWhen::never: return false;
    case UnsetWhen::zero: return stored == 0;
    case UnsetWhen::notPositive: return !(stored > 0);
    }
    return false;
}

} // namespace

double PracticeNumberSetting::value(std::optional<double> stored) const
{
    if (!stored || std::isnan(*stored) || isUnset(*stored, unset)) return fallback;
    return std::clamp(*stored, lower, upper);
}

std::optional<double> PracticeNumberSetting::edited(double proposed) const
{
    if (std::isnan(proposed)) return std::nullopt;
    return std::clamp(std::round(std::clamp(proposed, lower, upper) / step) * step, lower, upper);
}

std::int64_t PracticeIntegerSetting::value(std::optional<std::int64_t> stored) const
{
    if (!stored || isUnset(*stored, unset)) return fallback;
    return std::clamp(*stored, lower, upper);
}

std::optional<std::int64_t> PracticeIntegerSetting::edited(double proposed) const
{
    if (std::isnan(proposed)) return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(std::clamp(proposed, double(lower), double(upper))));
}

} // namespace corvane
