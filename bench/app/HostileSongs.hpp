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

} // namespace hostilesongs
