// Build tool: writes the demo pieces as "<folder>/<name>.mid" for every name
// on the command line, and fails when a name has no piece or a piece is not
// asked for, so the build's list and the pieces cannot drift apart.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "CorvaneApp/demos/DemoMIDIFile.hpp"

namespace {

using namespace corvane::demos;

void write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    // Through a temporary file, so an interrupted build leaves no half-written piece.
    auto temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder> <name>...\n", argv[0]);
        return 2;
    }
    try {
        const std::vector<DemoPiece> pieces{odeToJoy(), ahVousDiraiJe(), minuetInG(), greensleeves(), furElise()};
        const std::set<std::string> requested(argv + 2, argv + argc);
        std::set<std::string> known;
        for (const auto& piece : pieces) known.emplace(piece.resourceName);
        for (const auto& name : requested)
            if (!known.contains(name)) throw std::runtime_error("no demo piece named " + name);
        for (const auto& name : known)
            if (!requested.contains(name)) throw std::runtime_error("demo piece " + name + " is not in the build's list");

        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        for (const auto& piece : pieces)
            write(folder / (std::string(piece.resourceName) + ".mid"), demoMIDIFile(piece));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "DemoMIDIWriter: %s\n", error.what());
        return 1;
    }
    return 0;
}
