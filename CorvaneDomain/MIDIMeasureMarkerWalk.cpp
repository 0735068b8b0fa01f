#include "CorvaneDomain/MIDIMeasureMarkerWalk.hpp"

#include <algorithm>

namespace corvane {

namespace {

// A bar that would begin within a microsecond of the next signature or of the end is not a bar.
constexpr double tolerance = 0.000001;

} // namespace

MIDIMeasureMarkerWalk::MIDIMeasureMarkerWalk(const MIDITempoMap& tempoMap, double durationSeconds)
    : tempoMap_(tempoMap), duration_(durationSeconds > 0 ? durationSeconds : 0)
{
    if (!(duration_ > 0)) stage_ = Stage::songEnd;
}

std::size_t MIDIMeasureMarkerWalk::expectedCount() const
{
    // The song end, and for each signature's segment its first bar, the bars
    // that fit and one for rounding.
    double count = 1;
    const auto& signatures = tempoMap_.timeSignatureChanges();
    std::size_t tempoChange = 0;
    for (std::size_t i = 0; i < signatures.size() && duration_ > 0; ++i) {
        const double start = std::min(duration_, signatures[i].seconds);
        if (!(start < duration_)) break;
        const double end = i + 1 < signatures.size() ? std::min(duration_, signatures[i + 1].seconds) : duration_;
        const double first = tempoMap_.quarterNotes(start, tempoChange);
        const double quarterNotes = tempoMap_.quarterNotes(end, tempoChange) - first;
        count += 2 + quarterNotes / (signatures[i].numerator * 4.0 / signatures[i].denominator);
        if (!(count < double(maximumBarCount))) break;
    }
    return count < double(maximumBarCount) ? static_cast<std::size_t>(count) : maximumBarCount + 1;
}

bool MIDIMeasureMarkerWalk::next(MIDIMeasureMarker& marker)
{
    const auto give = [&](MIDIMeasureMarker made) {
        marker = made;
        lastSeconds_ = made.seconds;
        ++made_;
        return true;
    };
    const auto& signatures = tempoMap_.timeSignatureChanges();
    for (;;) {
        switch (stage_) {
        case Stage::signature: {
            // Each signature restarts the bar grid at its own position.
            if (signature_ >= signatures.size() || made_ >= maximumBarCount) {
                stage_ = Stage::songEnd;
                break;
            }
            const auto& signature = signatures[signature_];
            const double start = std::min(duration_, signature.seconds);
            if (!(start < duration_)) {
                stage_ = Stage::songEnd;
                break;
            }
            segmentEnd_ = signature_ + 1 < signatures.size() ? std::min(duration_, signatures[signature_ + 1].seconds)
                                                             : duration_;
            barQuarterNotes_ = signature.numerator * 4.0 / signature.denominator;
            quarterNotes_ = tempoMap_.quarterNotes(start, tempoChange_);
            ++signature_;
            stage_ = Stage::bars;
            // A change on a bar line, or several at one moment, start one bar there.
            if (made_ == 0 || lastSeconds_ != start) return give({measureNumber_, start, false});
            break;
        }
        case Stage::bars: {
            const double next = quarterNotes_ + barQuarterNotes_;
            const double seconds = tempoMap_.secondsAtQuarterNotes(next, tempoChange_);
            // The number is taken even by a bar cut short: the next signature's first bar follows it.
            measureNumber_ += 1;
            // A bar too short to move the position in floating point ends the segment too.
            if (!(seconds < segmentEnd_ - tolerance) || !(next > quarterNotes_) || !(seconds > lastSeconds_) ||
                made_ >= maximumBarCount) {
                stage_ = Stage::signature;
                break;
            }
            quarterNotes_ = next;
            return give({measureNumber_, seconds, false});
        }
        case Stage::songEnd:
            if (made_ == 0 && duration_ > 0) return give({1, 0.0, false});
            stage_ = Stage::done;
            marker = {measureNumber_, duration_, true};
            return true;
        case Stage::done: return false;
        }
    }
}

} // namespace corvane
