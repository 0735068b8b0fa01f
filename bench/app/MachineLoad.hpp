#pragma once

// The machine's load averages, for the benchmarks' reports.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

inline std::string machineLoad()
{
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[96];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f (1, 5, 15 min) on %u cores", one, five, fifteen,
                  std::max(1u, std::thread::hardware_concurrency()));
    return text;
}
