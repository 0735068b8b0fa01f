#pragma once

#include "CorvaneApp/session/PracticeSessionStore.hpp"

namespace corvane {

// Reaches the controller's tick and input handler, for benchmarks and tests
// that time or step them without the playback timer.
struct PracticeSessionStoreProbe {
    static void tick(PracticeSessionStore& store) { store.advanceTimelinePlayback(); }
    static void handleMIDIInput(PracticeSessionStore& store, const MIDIInputEvent& event)
    {
        store.handleMIDIInput(event);
    }
    static void routeLiveInput(PracticeSessionStore& store, const MIDIInputEvent& event)
    {
        store.routeLiveInput(event);
    }
    // How far ahead of the render clock the song is sent.
    static double lookAheadSeconds(const PracticeSessionStore& store) { return store.playbackLookAheadSeconds(); }
    // The events sent ahead that a withdrawal may still take back.
    static std::size_t sentAheadCount(const PracticeSessionStore& store) { return store.sentAhead_.size(); }
    // Stops the playback timer, so that only the caller ticks.
    static void stopPlaybackTimer(PracticeSessionStore& store)
    {
        if (store.playbackTimer_) store.playbackTimer_->stop();
    }
};

} // namespace corvane
