// Time from a JACK client sending a note to the monitor's onEvent on the Qt
// main thread, over 1,000 notes sent at random phases of the JACK period.
//
//   bench_midi_delivery_latency [notes] [period frames] [sample rate]
#include "CorvaneAudio/HostClock.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestServer.hpp"

#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

using namespace corvane;

namespace {

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void report(const char* what, const std::vector<double>& milliseconds)
{
    std::printf("%-34s median %7.3f ms   p99 %7.3f ms   max %7.3f ms\n", what, percentile(milliseconds, 0.5),
                percentile(milliseconds, 0.99), *std::max_element(milliseconds.begin(), milliseconds.end()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int notes = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int period = argc > 2 ? std::atoi(argv[2]) : 256;
    const int rate = argc > 3 ? std::atoi(argv[3]) : 48000;
    if (notes <= 0 || period <= 0 || rate <= 0) return 2;

    JackTestServer server(rate, period);
    server.releaseTurn();
    QTemporaryDir directory;
    DefaultsStore defaults(directory.filePath("defaults.json").toStdString());
    RtMidiOut keyboard(RtMidi::UNIX_JACK, "Bench Keyboard");
    keyboard.openVirtualPort("out");
    MIDIDeviceMonitor monitor(defaults, MIDIApi::jack);
    if (monitor.sources().empty()) {
        std::fprintf(stderr, "the keyboard port is not listed\n");
        return 1;
    }

    std::uint64_t sentAt = 0;
    std::vector<double> sendToEvent, sendToArrival, arrivalToEvent;
    bool received = false;
    monitor.onEvent = [&](const MIDIInputEvent& event) {
        const std::uint64_t now = hostTimeNow();
        sendToEvent.push_back(static_cast<double>(now - sentAt) / 1e6);
        arrivalToEvent.push_back(event.deliveryLatencyMilliseconds(now));
        sendToArrival.push_back(static_cast<double>(static_cast<std::int64_t>(event.timestamp - sentAt)) / 1e6);
        received = true;
    };

    const double periodMilliseconds = 1000.0 * period / rate;
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(periodMilliseconds * 1000));
    int lost = 0;
    for (int i = 0; i < notes; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
        received = false;
        const unsigned char status = i % 2 == 0 ? 0x90 : 0x80;
        const unsigned char message[] = {status, static_cast<unsigned char>(36 + i % 60), 100};
        sentAt = hostTimeNow();
        keyboard.sendMessage(message, sizeof message);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!received && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (!received) ++lost;
    }

    std::printf("%d notes, JACK period %d frames at %d Hz = %.3f ms, %d lost\n", notes, period, rate,
                periodMilliseconds, lost);
    if (sendToEvent.empty()) return 1;
    report("send -> onEvent (main thread)", sendToEvent);
    report("  send -> arrival (JACK cycle)", sendToArrival);
    report("  arrival -> onEvent (hop)", arrivalToEvent);
    const double p99 = percentile(sendToEvent, 0.99);
    std::printf("goal p99 < %.3f ms (one period + 1 ms): %s\n", periodMilliseconds + 1.0,
                p99 < periodMilliseconds + 1.0 ? "met" : "NOT met");
    return 0;
}
