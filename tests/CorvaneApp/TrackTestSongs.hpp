#pragma once

// Songs of several note tracks for the track lists' tests and benchmark.

#include <cstdint>
#include <string>
#include <vector>

#include "support/SMFWriter.hpp"

struct TestTrack {
    std::string name; // raw bytes of the name event; empty: no name
    int notes = 1;
};

// A format-1 file: a conductor track (index 0, no notes) and then one track
// per entry (indices 1, 2, …), each a run of sixteenth notes at 120 bpm.
inline smf::Bytes trackSong(const std::vector<TestTrack>& tracks)
{
    std::vector<smf::Track> chunks(1);
    chunks[0].tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack();
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        smf::Track track;
        if (!tracks[t].name.empty()) track.name(0, tracks[t].name);
        const auto pitch = static_cast<std::uint8_t>(36 + t % 60);
        for (int i = 0; i < tracks[t].notes; ++i) track.noteOn(0, pitch).noteOff(120, pitch);
        track.endOfTrack();
        chunks.push_back(track);
    }
    return smf::file(1, 480, chunks);
}
