#include "CorvaneApp/session/CountInRun.hpp"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace corvane {

CountInRun::CountInRun(PracticeSessionStore& store, const MIDICountInPlan& plan,
                       PracticeSessionStore::CountInSleep sleep)
    : store_(store), measureCount_(plan.measureCount), sleep_(std::move(sleep))
{
    for (const auto& beat : plan.beats) actions_.push_back({beat.offsetSeconds, 1, Action::Kind::beat, beat});
    if (plan.reusedLeadingMeasureCount > 0)
        actions_.push_back({plan.timelineStartOffsetSeconds, 0, Action::Kind::startTimeline, {}});
    actions_.push_back({plan.completionOffsetSeconds, 2, Action::Kind::complete, {}});
    // At one instant the song starts before the beat there, and completion comes last.
    std::stable_sort(actions_.begin(), actions_.end(), [](const Action& a, const Action& b) {
        if (a.offsetSeconds != b.offsetSeconds) return a.offsetSeconds < b.offsetSeconds;
        return a.priority < b.priority;
    });
}

CountInRun::~CountInRun() = default;

void CountInRun::start()
{
    origin_ = std::chrono::steady_clock::now();
    advance();
}

void CountInRun::sleep(double seconds, std::function<void(bool)> wake)
{
    if (sleep_) {
        sleep_(seconds, std::move(wake));
        return;
    }
    const auto deadline = origin_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(elapsed_ + seconds));
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    QTimer::singleShot(std::max(remaining, std::chrono::milliseconds(0)), Qt::PreciseTimer,
                       QCoreApplication::instance(), [wake = std::move(wake)] { wake(true); });
}

void CountInRun::advance()
{
    const std::weak_ptr<bool> alive = alive_;
    while (next_ < actions_.size()) {
        const Action action = actions_[next_];
        const double wait = std::max(0.0, action.offsetSeconds - elapsed_);
        if (wait > 0) {
            // A sleep may wake at once (in tests); then the loop goes on here
            // instead of nesting another pass.
            struct Ticket {
                bool waiting = true;
                bool woke = false;
                bool completed = false;
            };
            auto ticket = std::make_shared<Ticket>();
            sleep(wait, [this, alive, ticket](bool completed) {
                if (alive.expired()) return;
                if (ticket->waiting) {
                    ticket->woke = true;
                    ticket->completed = completed;
                    return;
                }
                if (!completed) return;
                const Action woken = actions_[next_];
                if (!perform(woken)) return;
                elapsed_ = woken.offsetSeconds;
                ++next_;
                advance();
            });
            if (alive.expired()) return;
            ticket->waiting = false;
            if (!ticket->woke || !ticket->completed) return;
        }
        if (!perform(action)) return;
        elapsed_ = action.offsetSeconds;
        ++next_;
    }
}

bool CountInRun::perform(const Action& action)
{
    const std::weak_ptr<bool> alive = alive_;
    switch (action.kind) {
    case Action::Kind::beat:
        store_.setCountInProgress(CountInProgress{action.beat.measureNumber, measureCount_, action.beat.beatNumber});
        store_.clickCountInBeat(action.beat.isAccent);
        break;
    case Action::Kind::startTimeline:
        store_.startTimelineDuringCountIn();
        break;
    case Action::Kind::complete:
        // The store ends this run here: nothing of it may be touched after.
        store_.countInDidFinish();
        return false;
    }
    return !alive.expired();
}

} // namespace corvane
