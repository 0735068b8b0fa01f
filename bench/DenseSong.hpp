#pragma once

// The large generated song that the timing tools open and play.

#include <cstdint>
#include <string>
#include <vector>

#include "support/SMFWriter.hpp"

// `notes` spread over `tracks`, evenly: every track sounds a
// 62.5 ms note every 125 ms (16 tracks: 128 note-ons a second), staggered, with
// a tempo change now and then on the first track.
inline smf::Bytes denseSong(long notes, int tracks)
{
    std::vector<smf::Track> chunks(static_cast<std::size_t>(tracks));
    chunks[0].name(0, "Condutor").tempo(0, 500'000).timeSignature(0, 4, 2);
    const long perTrack = notes / tracks;
    for (int t = 0; t < tracks; ++t) {
        auto& track = chunks[static_cast<std::size_t>(t)];
        if (t > 0) track.name(0, "Trilha " + std::to_string(t));
        for (long i = 0; i < perTrack + (t < notes % tracks ? 1 : 0); ++i) {
            const auto note = static_cast<std::uint8_t>(36 + (i * 7 + t * 5) % 60);
            track.noteOn(i == 0 ? static_cast<std::uint32_t>(t * 7) : 60, note, 90, static_cast<std::uint8_t>(t % 16));
            track.noteOff(60, note, 0, static_cast<std::uint8_t>(t % 16));
            if (t == 0 && i % 5000 == 4999) track.tempo(0, 400'000 + static_cast<std::uint32_t>(i % 200'000));
        }
        track.endOfTrack();
    }
    return smf::file(1, 480, chunks);
}
