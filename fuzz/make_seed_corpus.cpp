// Writes a small seed corpus of valid and nearly valid files for the fuzzer,
// and empties its working corpus folder.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "support/SMFWriter.hpp"

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make_seed_corpus SEED_DIR WORK_DIR\n";
        return 2;
    }
    const fs::path seeds = argv[1], work = argv[2];
    fs::remove_all(seeds);
    fs::remove_all(work);
    fs::create_directories(seeds);
    fs::create_directories(work);

    int index = 0;
    auto write = [&](const smf::Bytes& bytes) {
        std::ofstream out(seeds / ("seed-" + std::to_string(index++) + ".mid"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };

    smf::Track melody;
    melody.name(0, "Melodia").tempo(0, 500'000).timeSignature(0, 3, 2);
    for (int i = 0; i < 16; ++i) melody.noteOn(i ? 120 : 0, std::uint8_t(60 + i % 12), 80).noteOff(240, std::uint8_t(60 + i % 12));
    melody.endOfTrack();
    smf::Track accompaniment;
    accompaniment.event(0, {0xC0, 0}).event(0, {0xB0, 64, 127}).noteOn(0, 48).raw({0x00, 0x30, 0x00});
    accompaniment.event(480, {0xE0, 0x00, 0x40}).tempo(960, 250'000).timeSignature(0, 6, 3).endOfTrack(10);
    smf::Track sysex;
    sysex.raw({0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}).noteOn(0, 60).noteOn(0, 60, 0).endOfTrack();

    write(smf::file(0, 480, {melody}));
    write(smf::file(1, 96, {melody, accompaniment, sysex}));
    write(smf::file(2, 480, {accompaniment, melody}));
    write(smf::file(1, 0xE728, {melody}));
    write(smf::file(1, 0xE301, {accompaniment}));
    write(smf::file(1, 1, {smf::Track{}.timeSignature(0, 1, 31).tempo(0, 1).event(0x0FFFFFFF, {0x90, 1, 1})}));
    auto truncated = smf::file(1, 480, {melody, accompaniment});
    truncated.resize(truncated.size() - 7);
    write(truncated);
    std::cout << "wrote " << index << " seeds to " << seeds << "\n";
    return 0;
}
