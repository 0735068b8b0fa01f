#include "CorvaneRendering/SoftwareRendering.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <thread>

namespace corvane {

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view word)
{
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), word.begin(), word.end(), sameLetter) != text.end();
}

} // namespace

bool isSoftwareRenderer(std::string_view rendererName)
{
    for (const std::string_view name : {"llvmpipe", "softpipe", "software rasterizer"})
        if (containsIgnoringCase(rendererName, name)) return true;
    return false;
}

int softwareRasterizerThreads(unsigned cores) { return cores >= 4 ? 2 : 1; }

std::string capSoftwareRasterizerThreads(unsigned cores)
{
    // Mesa takes an empty value for its default (one thread per core), so an
    // empty value is no choice of the user's.
    if (const char* set = std::getenv(softwareRasterizerThreadsVariable); set && *set) return set;
    const std::string value = std::to_string(softwareRasterizerThreads(cores));
    ::setenv(softwareRasterizerThreadsVariable, value.c_str(), 1);
    return value;
}

std::string capSoftwareRasterizerThreads()
{
    return capSoftwareRasterizerThreads(std::max(1u, std::thread::hardware_concurrency()));
}

} // namespace corvane
