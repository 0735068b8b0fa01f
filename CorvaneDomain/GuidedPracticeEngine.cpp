#include "CorvaneDomain/GuidedPracticeEngine.hpp"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <stdexcept>

namespace corvane {

GuidedPracticeConfiguration::GuidedPracticeConfiguration(double correctToleranceSeconds, double matchingWindowSeconds,
                                                         double chordToleranceSeconds)
    : correctToleranceSeconds(correctToleranceSeconds),
      matchingWindowSeconds(matchingWindowSeconds),
      chordToleranceSeconds(chordToleranceSeconds)
{
    if (!(0 <= correctToleranceSeconds && correctToleranceSeconds <= matchingWindowSeconds &&
          chordToleranceSeconds >= 0))
        throw std::invalid_argument("grading tolerances out of order");
}

GuidedPracticeEngine::GuidedPracticeEngine(MIDINoteSpanList noteSpans, PracticeHand hand, PracticeHandMap handMap,
                                           GuidedPracticeConfiguration configuration)
    : hand_(hand), handMap_(std::move(handMap)), configuration_(configuration),
      expectedNotes_(expectedOrder(std::move(noteSpans))), matched_(expectedNotes_.size(), false)
{
}

MIDINoteSpanList GuidedPracticeEngine::expectedOrder(MIDINoteSpanList noteSpans)
{
    const auto earlier = [](const MIDINoteSpan& a, const MIDINoteSpan& b) {
        if (a.startSeconds != b.startSeconds) return a.startSeconds < b.startSeconds;
        if (a.trackIndex != b.trackIndex) return a.trackIndex < b.trackIndex;
        return a.eventIndex < b.eventIndex;
    };
    // A timeline's spans come in this order already: they are shared as they
    // are, at every load and every change of the tracks' settings.
    if (std::is_sorted(noteSpans.begin(), noteSpans.end(), earlier)) return noteSpans;
    std::vector<MIDINoteSpan> sorted(noteSpans.begin(), noteSpans.end());
    std::stable_sort(sorted.begin(), sorted.end(), earlier);
    return sorted;
}

void GuidedPracticeEngine::reset(MIDINoteSpanList noteSpans, std::optional<PracticeHand> hand,
                                 std::optional<PracticeHandMap> handMap)
{
    if (hand) hand_ = *hand;
    if (handMap) handMap_ = std::move(*handMap);
    expectedNotes_ = expectedOrder(std::move(noteSpans));
    reopenAll();
}

void GuidedPracticeEngine::reopenAll()
{
    matched_.assign(expectedNotes_.size(), false);
    passed_ = 0;
    firstCandidate_ = 0;
}

void GuidedPracticeEngine::setHand(PracticeHand hand)
{
    if (hand == hand_) return;
    hand_ = hand;
    reopenAll();
}

void GuidedPracticeEngine::setHandMap(const PracticeHandMap& handMap)
{
    if (handMap == handMap_) return;
    handMap_ = handMap;
    reopenAll();
}

void GuidedPracticeEngine::seek(double seconds)
{
    reopenAll();
    passed_ = firstFrom(seconds - configuration_.correctToleranceSeconds);
    firstCandidate_ = passed_;
}

GuidedPracticeEngine::Index GuidedPracticeEngine::firstFrom(double seconds) const
{
    return Index(std::lower_bound(expectedNotes_.begin(), expectedNotes_.end(), seconds,
                                  [](const MIDINoteSpan& note, double at) { return note.startSeconds < at; }) -
                 expectedNotes_.begin());
}

GuidedPracticeEngine::Index GuidedPracticeEngine::firstAfter(double seconds) const
{
    return Index(std::upper_bound(expectedNotes_.begin(), expectedNotes_.end(), seconds,
                                  [](double at, const MIDINoteSpan& note) { return at < note.startSeconds; }) -
                 expectedNotes_.begin());
}

GuidedPracticeEngine::Index GuidedPracticeEngine::firstCandidate() const
{
    while (firstCandidate_ < expectedNotes_.size() && !isCandidate(firstCandidate_)) ++firstCandidate_;
    return firstCandidate_;
}

bool GuidedPracticeEngine::belongsToHand(const MIDINoteSpan& note) const
{
    return handMap_.includes(hand_, note.note, note.trackIndex);
}

namespace {
// The notes a question about times within `reach` of `seconds` looks at: a
// little wider than the reach, so that rounding never leaves out a note the
// exact test of distance keeps.
constexpr double searchMargin = 1e-6;
} // namespace

const MIDINoteSpan* GuidedPracticeEngine::nextExpectedNote(double seconds) const
{
    const double from = seconds - configuration_.matchingWindowSeconds;
    if (std::isnan(from)) return nullptr;
    for (Index i = std::max(firstCandidate(), firstFrom(from)); i < expectedNotes_.size(); ++i)
        if (isCandidate(i) && expectedNotes_[i].startSeconds >= from) return &expectedNotes_[i];
    return nullptr;
}

PracticeFeedback GuidedPracticeEngine::evaluate(std::uint8_t note, std::uint8_t velocity, double seconds)
{
    std::optional<Index> best;
    double bestDistance = 0;
    const double window = configuration_.matchingWindowSeconds;
    if (!std::isnan(seconds)) {
        for (Index i = firstFrom(seconds - window - searchMargin), end = firstAfter(seconds + window + searchMargin);
             i < end; ++i) {
            const MIDINoteSpan& candidate = expectedNotes_[i];
            if (candidate.note != note || !isCandidate(i)) continue;
            const double distance = std::abs(seconds - candidate.startSeconds);
            if (!(distance <= window)) continue;
            // Only a strictly closer candidate replaces the best: ties keep the earlier note.
            if (!best || distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
    }

    if (!best) {
        PracticeFeedback feedback{PracticeFeedbackKind::incorrect, note, std::nullopt, std::nullopt, velocity};
        if (const auto* next = nextExpectedNote(seconds)) feedback.expectedNote = next->note;
        return feedback;
    }

    // One key press answers the same pitch doubled in other tracks (or
    // repeated within the chord tolerance), whatever their hand.
    const MIDINoteSpan matched = expectedNotes_[*best];
    const double chord = configuration_.chordToleranceSeconds;
    for (Index i = firstFrom(matched.startSeconds - chord - searchMargin),
               end = firstAfter(matched.startSeconds + chord + searchMargin);
         i < end; ++i) {
        const MIDINoteSpan& other = expectedNotes_[i];
        if (other.note == matched.note && std::abs(other.startSeconds - matched.startSeconds) <= chord)
            matched_[i] = true;
    }
    matched_[*best] = true;

    const double offset = seconds - matched.startSeconds;
    const auto kind = std::abs(offset) <= configuration_.correctToleranceSeconds ? PracticeFeedbackKind::correct
                      : offset < 0                                               ? PracticeFeedbackKind::early
                                                                                 : PracticeFeedbackKind::late;
    return {kind, note, matched.note, offset, velocity};
}

// The chord due: the hand's first open note, when it is due by the position
// and the correct tolerance, with the hand's open notes within the chord
// tolerance of it.
std::optional<PracticeWaitTarget> GuidedPracticeEngine::waitTarget(double seconds) const
{
    const Index first = firstCandidate();
    const double dueBy = seconds + configuration_.correctToleranceSeconds;
    if (first >= expectedNotes_.size() || !(expectedNotes_[first].startSeconds <= dueBy)) return std::nullopt;
    const MIDINoteSpan& anchor = expectedNotes_[first];

    // Gathered by key: a chord of any number of notes asks for each key once.
    std::bitset<256> keys;
    const double chord = configuration_.chordToleranceSeconds;
    for (Index i = firstFrom(anchor.startSeconds - chord - searchMargin),
               end = firstAfter(anchor.startSeconds + chord + searchMargin);
         i < end; ++i)
        if (isCandidate(i) && std::abs(expectedNotes_[i].startSeconds - anchor.startSeconds) <= chord)
            keys.set(expectedNotes_[i].note);
    PracticeWaitTarget target{anchor.startSeconds, {}};
    target.requiredNotes.reserve(keys.count());
    for (std::size_t key = 0; key < keys.size(); ++key)
        if (keys.test(key)) target.requiredNotes.push_back(static_cast<std::uint8_t>(key));
    return target;
}

double GuidedPracticeEngine::compensatedPosition(double positionSeconds, double latencyMilliseconds,
                                                 double playbackRate)
{
    const double latencySeconds = latencyMilliseconds >= 0 ? latencyMilliseconds / 1000 : 0;
    return std::max(0.0, positionSeconds - std::max(0.0, playbackRate) * latencySeconds);
}

} // namespace corvane
