#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace corvane {

// A practice store's changes made before its stored records arrive (see
// RecordsArriveLater): each is applied at once and kept, to be replayed on the
// records when they come. Writing waits until then, and through the replay.
class ChangesBeforeRecords {
public:
    explicit ChangesBeforeRecords(bool recordsArriveLater) : hasRecords_(!recordsArriveLater) {}

    bool hasRecords() const { return hasRecords_; }
    bool isReplaying() const { return isReplaying_; }
    // Before the records, writing would replace them with the few known here.
    bool holdsWrites() const { return !hasRecords_ || isReplaying_; }

    template <class Change> auto apply(Change change)
    {
        if (!hasRecords_) kept_.push_back(change);
        return change();
    }

    bool hasKept() const { return !kept_.empty(); }

    // Marks the records arrived; false when they already had.
    bool arrive() { return !std::exchange(hasRecords_, true); }

    // Replays what was kept on the records just taken in; false when nothing was.
    bool replay()
    {
        if (kept_.empty()) return false;
        isReplaying_ = true;
        for (const auto& change : kept_) change();
        isReplaying_ = false;
        kept_.clear();
        return true;
    }

private:
    bool hasRecords_;
    bool isReplaying_ = false;
    std::vector<std::function<void()>> kept_;
};

} // namespace corvane
