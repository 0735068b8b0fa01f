// A keyboard unplugged and plugged in again under the monitor, on a private
// JACK dummy server: the time from its port's registration to the first note
// the monitor delivers from it, over many replugs; then the longest the main
// thread is held while a port comes and goes a hundred times a second, with
// and without a thousand other ports listed beside it.
//
//   bench_midi_replug [replugs] [period frames]
#include "CorvaneAudio/HostClock.hpp"
#include "support/JackTestClient.hpp"
#include "CorvaneAudio/midi/MIDIDeviceMonitor.hpp"
#include "CorvaneLibrary/DefaultsStore.hpp"
#include "support/JackTestServer.hpp"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

double milliseconds(std::uint64_t from, std::uint64_t to) { return static_cast<double>(to - from) / 1e6; }

// Spins the event loop until `done`, returning the longest the loop was away.
template <class Done> double spinUntil(Done done, std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    double longest = 0;
    std::uint64_t last = hostTimeNow();
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const std::uint64_t now = hostTimeNow();
        longest = std::max(longest, milliseconds(last, now));
        last = now;
        std::this_thread::sleep_for(200us);
    }
    return longest;
}

// Ports that only sit in the list, spread over clients as JACK limits ports per client.
class PortCrowd {
public:
    explicit PortCrowd(int count)
    {
        for (int made = 0; made < count;) {
            jack_client_t* client =
                jack_client_open(("Bench Crowd " + std::to_string(clients_.size())).c_str(), JackNoStartServer, nullptr);
            if (!client) return;
            clients_.push_back(client);
            for (int i = 0; i < 400 && made < count; ++i, ++made)
                jack_port_register(client, ("port " + std::to_string(made)).c_str(), JACK_DEFAULT_MIDI_TYPE,
                                   made % 2 ? JackPortIsInput : JackPortIsOutput, 0);
            jack_activate(client);
        }
    }
    ~PortCrowd()
    {
        for (jack_client_t* client : clients_) jack_client_close(client);
    }

private:
    std::vector<jack_client_t*> clients_;
};

double flapping(MIDIDeviceMonitor& monitor, JackTestClient& keyboard)
{
    std::atomic<bool> done = false;
    std::thread flapper([&] {
        for (int i = 0; i < 200; ++i) keyboard.registerAgain(5ms);
        done = true;
    });
    const double longest = spinUntil([&] { return done.load(); }, 60s);
    flapper.join();
    spinUntil([&] { return keyboard.isConnected(); }, 5s);
    (void)monitor;
    return longest;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int replugs = argc > 1 ? std::atoi(argv[1]) : 50;
    const int period = argc > 2 ? std::atoi(argv[2]) : 256;
    if (replugs <= 0 || period <= 0) return 2;

    JackTestServer server(48000, period);
    server.releaseTurn();
    QTemporaryDir directory;
    DefaultsStore defaults(directory.filePath("defaults.json").toStdString());
    JackTestClient keyboard("Bench Keyboard", "Teclado", JackTestClient::Direction::keyboard);
    MIDIDeviceMonitor monitor(defaults, MIDIApi::jack);
    std::atomic<std::uint64_t> firstNote = 0;
    monitor.onEvent = [&](const MIDIInputEvent&) {
        std::uint64_t none = 0;
        firstNote.compare_exchange_strong(none, hostTimeNow());
    };
    if (!keyboard.isConnected() && !spinUntil([&] { return keyboard.isConnected(); }, 5s)) return 1;

    std::vector<double> delays;
    int lost = 0;
    for (int i = 0; i < replugs; ++i) {
        keyboard.unregisterPort();
        std::this_thread::sleep_for(20ms);
        firstNote = 0;
        keyboard.registerPort();
        const std::uint64_t registered = hostTimeNow();
        // A note every millisecond from the moment the port is back.
        std::atomic<bool> heard = false;
        std::thread player([&] {
            while (!heard.load()) {
                keyboard.send({0x90, 60, 100});
                std::this_thread::sleep_for(1ms);
            }
        });
        spinUntil([&] { return firstNote.load() != 0; }, 3s);
        heard = true;
        player.join();
        if (firstNote.load() == 0) {
            ++lost;
            continue;
        }
        delays.push_back(milliseconds(registered, firstNote.load()));
        spinUntil([] { return false; }, 0s);
        std::this_thread::sleep_for(10ms);
    }
    if (delays.empty()) {
        std::printf("no note was heard after any of %d replugs\n", replugs);
        return 1;
    }
    std::vector<double> sorted = delays;
    std::sort(sorted.begin(), sorted.end());
    std::printf("period %d frames at 48 kHz (%.2f ms)\n", period, 1000.0 * period / 48000);
    std::printf("re-registration to first note, %zu replugs: median %.2f ms   max %.2f ms   never heard %d\n",
                delays.size(), sorted[sorted.size() / 2], sorted.back(), lost);

    std::printf("longest main-thread hold, port flapping 100/s for 2 s: %.2f ms\n", flapping(monitor, keyboard));
    {
        PortCrowd crowd(1000);
        // Listening to every input, the monitor connects each of the 500 new sources.
        const double appearing = spinUntil(
            [&] {
                return monitor.sources().size() + monitor.destinations().size() >= 1001 &&
                       monitor.connectionErrors().empty() && keyboard.isConnected();
            },
            30s);
        spinUntil([] { return false; }, 2s);
        std::printf("longest main-thread hold while they appear and 500 are connected: %.2f ms\n", appearing);
        std::printf("ports listed beside it: %zu\n", monitor.sources().size() + monitor.destinations().size() - 1);
        std::vector<double> refreshes;
        for (int i = 0; i < 20; ++i) {
            const std::uint64_t start = hostTimeNow();
            monitor.refresh();
            refreshes.push_back(milliseconds(start, hostTimeNow()));
        }
        std::sort(refreshes.begin(), refreshes.end());
        std::printf("one refresh with them: median %.2f ms   max %.2f ms\n", refreshes[refreshes.size() / 2],
                    refreshes.back());
        std::printf("longest main-thread hold, the same with 1,000 other ports: %.2f ms\n",
                    flapping(monitor, keyboard));
    }
    return 0;
}
