#pragma once

// Valid Standard MIDI Files that are hard on the program by their size
// alone, with an ordinary tempo map (120 beats a minute, 4/4): made when a
// benchmark runs, never kept in the repository.

#include <cstdint>
#include <string>
#include <vector>

#include "support/SMFWriter.hpp"

namespace hostilesongs {

// `tracks` tracks (at most 65,535, the format's limit), each sounding one
// sixteenth note: 20 bytes a track, 1.3 MB for 65,535.
inline smf::Bytes manyTracks(int tracks)
{
    std::vector<smf::Track> chunks(static_cast<std::size_t>(tracks));
    for (int t = 0; t < tracks; ++t) {
        auto& track = chunks[static_cast<std::size_t>(t)];
        if (t == 0) track.tempo(0, 500'000).timeSignature(0, 4, 2);
        track.noteOn(0, 60).noteOff(120, 60).endOfTrack();
    }
    return smf::file(1, 480, chunks);
}

// One track that strikes middle C `notes` times, sixteenth after sixteenth:
// 8 bytes a note, 8 MB for a million.
inline smf::Bytes oneNoteRepeated(long notes)
{
    smf::Track track;
    track.bytes.reserve(static_cast<std::size_t>(notes) * 8 + 32);
    track.tempo(0, 500'000).timeSignature(0, 4, 2);
    for (long i = 0; i < notes; ++i) track.noteOn(0, 60).noteOff(120, 60);
    track.endOfTrack();
    return smf::file(1, 480, {track});
}

// `notes` thirty-second notes over the piano's 88 keys in turn, one track, with
// running status and releases as zero-velocity strikes: 6 bytes a note, 3 MB
// for half a million. With `ticksApart` 0 they are all struck at tick 0, one
// chord; with 1, one a tick after the other (about a millisecond at 480 a
// beat), so no more than 60 sound at once and never two on one key.
inline smf::Bytes notesOnKeys(long notes, std::uint32_t ticksApart)
{
    constexpr std::uint32_t length = 60;
    const auto key = [](long i) { return static_cast<std::uint8_t>(21 + i % 88); };
    smf::Track track;
    track.bytes.reserve(static_cast<std::size_t>(notes) * 6 + 32);
    track.tempo(0, 500'000).timeSignature(0, 4, 2).raw({0x00, 0x90, key(0), 100});
    // Events in time order: strikes at i * ticksApart, releases `length` later.
    long struck = 1, released = 0;
    std::uint32_t now = 0;
    while (released < notes) {
        const std::uint32_t strikeAt = static_cast<std::uint32_t>(struck) * ticksApart;
        const std::uint32_t releaseAt = static_cast<std::uint32_t>(released) * ticksApart + length;
        const bool strike = struck < notes && strikeAt < releaseAt;
        const std::uint32_t at = strike ? strikeAt : releaseAt;
        smf::append(track.bytes, smf::vlq(at - now));
        track.raw({key(strike ? struck++ : released++), std::uint8_t(strike ? 100 : 0)});
        now = at;
    }
    track.endOfTrack();
    return smf::file(1, 480, {track});
}

struct Song {
    std::string fileName;
    smf::Bytes bytes;
};

// The three the benchmark measures when it is given no file.
inline std::vector<Song> standardSet()
{
    std::vector<Song> songs;
    songs.push_back({"faixas-65535.mid", manyTracks(65'535)});
    songs.push_back({"uma-nota-8MB.mid", oneNoteRepeated(1'000'000)});
    songs.push_back({"uma-nota-60MB.mid", oneNoteRepeated(7'500'000)});
    return songs;
}

// Half a million notes struck at once, and the same notes a tick apart: what
// the first takes beyond the second is what the program holds per note that
// sounds or shows at once rather than per note that can.
inline std::vector<Song> simultaneousSet()
{
    std::vector<Song> songs;
    songs.push_back({"acorde-500000.mid", notesOnKeys(500'000, 0)});
    songs.push_back({"espalhadas-500000.mid", notesOnKeys(500'000, 1)});
    return songs;
}

} // namespace hostilesongs
