#include "CorvaneApp/session/BundledDemoSong.hpp"

#include <string>
#include <system_error>

namespace corvane {

namespace {

struct DemoEntry {
    BundledDemoSong song;
    std::string_view id;
    std::string_view title;
    std::string_view resourceName;
};

// The resource names are also the ones DemoMIDIs.cmake asks the writer for.
constexpr std::array<DemoEntry, 5> catalog{{
    {BundledDemoSong::odeToJoy, "odeToJoy", "Ode à Alegria (Beethoven)", "OdeToJoy"},
    {BundledDemoSong::ahVousDiraiJe, "ahVousDiraiJe", "Brilha, brilha, estrelinha (Mozart)", "AhVousDiraiJe"},
    {BundledDemoSong::minuetInG, "minuetInG", "Minueto em Sol maior (Petzold)", "MinuetInG"},
    {BundledDemoSong::greensleeves, "greensleeves", "Greensleeves (tradicional inglesa)", "Greensleeves"},
    {BundledDemoSong::furElise, "furElise", "Para Elisa (Beethoven)", "FurElise"},
}};

std::optional<std::filesystem::path> fileIn(const std::filesystem::path& folder, std::string_view name)
{
    auto path = folder / (std::string(name) + ".mid");
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return path; // follows the links the build makes
    return std::nullopt;
}

const DemoEntry& entry(BundledDemoSong song)
{
    for (const auto& e : catalog)
        if (e.song == song) return e;
    return catalog.front(); // unreachable for a declared case
}

} // namespace

std::optional<BundledDemoSong> bundledDemoSong(std::string_view rawValue)
{
    for (const auto& e : catalog)
        if (e.id == rawValue) return e.song;
    return std::nullopt;
}

std::string_view rawValue(BundledDemoSong song) { return entry(song).id; }

std::string_view title(BundledDemoSong song) { return entry(song).title; }

std::string_view resourceName(BundledDemoSong song) { return entry(song).resourceName; }

std::optional<std::filesystem::path> resourceURL(BundledDemoSong song,
                                                 const std::vector<std::filesystem::path>& candidates)
{
    const auto name = resourceName(song);
    for (const auto& bundle : candidates) {
        if (auto path = fileIn(bundle / "DemoMIDIs", name)) return path;
        if (auto path = fileIn(bundle, name)) return path;
    }
    return std::nullopt;
}

const std::array<BundledDemoSong, 5>& allBundledDemoSongs()
{
    static constexpr std::array<BundledDemoSong, 5> songs{
        BundledDemoSong::odeToJoy, BundledDemoSong::ahVousDiraiJe, BundledDemoSong::minuetInG,
        BundledDemoSong::greensleeves, BundledDemoSong::furElise,
    };
    return songs;
}

} // namespace corvane
