#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "CorvaneApp/session/PracticeSessionStore.hpp"
#include "CorvaneDomain/MIDICountInPlan.hpp"

namespace corvane {

// One count-in: the plan's beats, the start of the song over reused leading
// bars, and the completion, walked in time order on the main thread. The
// waits between actions come from the injected sleep; destroying the run
// cancels it, and a wait that ends after that does nothing.
class CountInRun {
public:
    // An empty sleep waits on a precise timer against one deadline per
    // action, so that timer latency never adds up from beat to beat.
    CountInRun(PracticeSessionStore& store, const MIDICountInPlan& plan, PracticeSessionStore::CountInSleep sleep);
    ~CountInRun();

    CountInRun(const CountInRun&) = delete;
    CountInRun& operator=(const CountInRun&) = delete;

    void start();

private:
    struct Action {
        enum class Kind { beat, startTimeline, complete };
        double offsetSeconds = 0;
        int priority = 0;
        Kind kind = Kind::complete;
        MIDICountInBeat beat;
    };

    void advance();
    // False when the run was cancelled while performing it.
    bool perform(const Action& action);
    void sleep(double seconds, std::function<void(bool)> wake);

    PracticeSessionStore& store_;
    std::int64_t measureCount_;
    std::vector<Action> actions_;
    PracticeSessionStore::CountInSleep sleep_;
    std::size_t next_ = 0;
    double elapsed_ = 0;
    std::chrono::steady_clock::time_point origin_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corvane
