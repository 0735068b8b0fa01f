#include "CorvaneDomain/GuidedPracticeEngine.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "CorvaneDomain/HashCombine.hpp"

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

static_assert(sizeof(GuidedPracticeEngine::ExpectedNote) == 24);

std::size_t GuidedPracticeEngine::IDHash::operator()(const ExpectedNote::ID& id) const
{
    std::size_t hash = std::hash<std::int32_t>{}(id.trackIndex);
    hashCombine(hash, std::hash<std::int32_t>{}(id.eventIndex));
    return hash;
}

GuidedPracticeEngine::GuidedPracticeEngine(std::span<const MIDINoteSpan> noteSpans, PracticeHand hand,
                                           PracticeHandMap handMap, GuidedPracticeConfiguration configuration)
    : hand_(hand), handMap_(std::move(handMap)), configuration_(configuration),
      expectedNotes_(makeExpectedNotes(noteSpans))
{
}

std::vector<GuidedPracticeEngine::ExpectedNote>
GuidedPracticeEngine::makeExpectedNotes(std::span<const MIDINoteSpan> noteSpans)
{
    std::vector<ExpectedNote> notes;
    notes.reserve(noteSpans.size());
    for (const auto& span : noteSpans)
        notes.push_back({{span.trackIndex, span.eventIndex}, span.note, span.startSeconds});
    const auto earlier = [](const ExpectedNote& a, const ExpectedNote& b) {
        if (a.startSeconds != b.startSeconds) return a.startSeconds < b.startSeconds;
        if (a.id.trackIndex != b.id.trackIndex) return a.id.trackIndex < b.id.trackIndex;
        return a.id.eventIndex < b.id.eventIndex;
    };
    // A timeline's spans mostly come in this order already: one look at a
    // million of them costs far less than sorting them again, at every load
    // and every change of the tracks' settings.
    if (!std::is_sorted(notes.begin(), notes.end(), earlier)) std::stable_sort(notes.begin(), notes.end(), earlier);
    return notes;
}

void GuidedPracticeEngine::reset(std::span<const MIDINoteSpan> noteSpans, std::optional<PracticeHand> hand,
                                 std::optional<PracticeHandMap> handMap)
{
    if (hand) hand_ = *hand;
    if (handMap) handMap_ = std::move(*handMap);
    expectedNotes_ = makeExpectedNotes(noteSpans);
    matchedIDs_.clear();
}

void GuidedPracticeEngine::setHand(PracticeHand hand)
{
    if (hand == hand_) return;
    hand_ = hand;
    matchedIDs_.clear();
}

void GuidedPracticeEngine::setHandMap(const PracticeHandMap& handMap)
{
    if (handMap == handMap_) return;
    handMap_ = handMap;
    matchedIDs_.clear();
}

void GuidedPracticeEngine::seek(double seconds)
{
    matchedIDs_.clear();
    const double openFrom = seconds - configuration_.correctToleranceSeconds;
    for (const auto& note : expectedNotes_)
        if (note.startSeconds < openFrom) matchedIDs_.insert(note.id);
}

bool GuidedPracticeEngine::belongsToHand(const ExpectedNote& note) const
{
    return handMap_.includes(hand_, note.note, note.id.trackIndex);
}

const GuidedPracticeEngine::ExpectedNote* GuidedPracticeEngine::nextExpectedNote(double seconds) const
{
    const double from = seconds - configuration_.matchingWindowSeconds;
    for (const auto& note : expectedNotes_)
        if (isOpen(note) && belongsToHand(note) && note.startSeconds >= from) return &note;
    return nullptr;
}

PracticeFeedback GuidedPracticeEngine::evaluate(std::uint8_t note, std::uint8_t velocity, double seconds)
{
    const ExpectedNote* best = nullptr;
    double bestDistance = 0;
    for (const auto& candidate : expectedNotes_) {
        if (candidate.note != note || !isOpen(candidate) || !belongsToHand(candidate)) continue;
        const double distance = std::abs(seconds - candidate.startSeconds);
        if (!(distance <= configuration_.matchingWindowSeconds)) continue;
        // Only a strictly closer candidate replaces the best: ties keep the earlier note.
        if (!best || distance < bestDistance) {
            best = &candidate;
            bestDistance = distance;
        }
    }

    if (!best) {
        PracticeFeedback feedback{PracticeFeedbackKind::incorrect, note, std::nullopt, std::nullopt, velocity};
        if (const auto* next = nextExpectedNote(seconds)) feedback.expectedNote = next->note;
        return feedback;
    }

    // One key press answers the same pitch doubled in other tracks (or
    // repeated within the chord tolerance), whatever their hand.
    const ExpectedNote matched = *best;
    for (const auto& other : expectedNotes_)
        if (other.note == matched.note &&
            std::abs(other.startSeconds - matched.startSeconds) <= configuration_.chordToleranceSeconds)
            matchedIDs_.insert(other.id);
    matchedIDs_.insert(matched.id);

    const double offset = seconds - matched.startSeconds;
    const auto kind = std::abs(offset) <= configuration_.correctToleranceSeconds ? PracticeFeedbackKind::correct
                      : offset < 0                                               ? PracticeFeedbackKind::early
                                                                                 : PracticeFeedbackKind::late;
    return {kind, note, matched.note, offset, velocity};
}

std::optional<PracticeWaitTarget> GuidedPracticeEngine::waitTarget(double seconds) const
{
    const ExpectedNote* anchor = nullptr;
    const double dueBy = seconds + configuration_.correctToleranceSeconds;
    for (const auto& note : expectedNotes_)
        if (isOpen(note) && belongsToHand(note) && note.startSeconds <= dueBy) {
            anchor = &note;
            break;
        }
    if (!anchor) return std::nullopt;

    PracticeWaitTarget target{anchor->startSeconds, {}};
    for (const auto& note : expectedNotes_)
        if (isOpen(note) && belongsToHand(note) &&
            std::abs(note.startSeconds - anchor->startSeconds) <= configuration_.chordToleranceSeconds)
            target.requiredNotes.push_back(note.note);
    std::sort(target.requiredNotes.begin(), target.requiredNotes.end());
    target.requiredNotes.erase(std::unique(target.requiredNotes.begin(), target.requiredNotes.end()),
                               target.requiredNotes.end());
    return target;
}

double GuidedPracticeEngine::compensatedPosition(double positionSeconds, double latencyMilliseconds,
                                                 double playbackRate)
{
    const double latencySeconds = latencyMilliseconds >= 0 ? latencyMilliseconds / 1000 : 0;
    return std::max(0.0, positionSeconds - std::max(0.0, playbackRate) * latencySeconds);
}

} // namespace corvane
