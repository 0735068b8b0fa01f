#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

#include "CorvaneDomain/MIDINoteSpan.hpp"

namespace corvane {

// A song's note spans, immutable and shared: a copy holds the same list, so
// the timeline, the controller and the stage keep one list of a million
// notes between them instead of one each, and handing it over costs nothing.
class MIDINoteSpanList {
public:
    using value_type = MIDINoteSpan;
    using const_iterator = std::vector<MIDINoteSpan>::const_iterator;
    using iterator = const_iterator;

    MIDINoteSpanList();
    MIDINoteSpanList(std::vector<MIDINoteSpan> spans);
    MIDINoteSpanList(std::initializer_list<MIDINoteSpan> spans) : MIDINoteSpanList(std::vector<MIDINoteSpan>(spans)) {}

    const std::vector<MIDINoteSpan>& spans() const { return *spans_; }
    const_iterator begin() const { return spans_->begin(); }
    const_iterator end() const { return spans_->end(); }
    std::size_t size() const { return spans_->size(); }
    bool empty() const { return spans_->empty(); }
    const MIDINoteSpan& operator[](std::size_t index) const { return (*spans_)[index]; }
    const MIDINoteSpan* data() const { return spans_->data(); }
    operator std::span<const MIDINoteSpan>() const { return *spans_; }
    // The longest span's length (0 without spans): with the spans in time
    // order, the spans sounding at a time lie within this much before it.
    double longestSeconds() const { return longestSeconds_; }

    bool operator==(const MIDINoteSpanList& other) const
    {
        return spans_ == other.spans_ || *spans_ == *other.spans_;
    }
    friend bool operator==(const MIDINoteSpanList& list, const std::vector<MIDINoteSpan>& spans)
    {
        return *list.spans_ == spans;
    }

private:
    std::shared_ptr<const std::vector<MIDINoteSpan>> spans_; // never null
    double longestSeconds_ = 0;
};

} // namespace corvane
