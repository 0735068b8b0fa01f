#pragma once

#include <compare>
#include <cstddef>
#include <iterator>

#include "CorvaneDomain/MIDITimelineEvent.hpp"
#include "CorvaneDomain/MIDITimelineEventStore.hpp"

namespace corvane {

// A run of a timeline's events, read in place: each event is made as it is
// reached, so a loop over the run allocates nothing and copies no list.
// Valid while any copy of the timeline lives.
class MIDITimelineEvents {
public:
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using iterator_concept = std::random_access_iterator_tag;
        using value_type = MIDITimelineEvent;
        using reference = MIDITimelineEvent;
        using difference_type = std::ptrdiff_t;

        Iterator() = default;
        Iterator(const MIDITimelineEventStore* store, std::size_t index) : store_(store), index_(index) {}

        // The walk through the tempo map is kept, so reading a run in order steps over each change once.
        MIDITimelineEvent operator*() const { return store_->event(index_, tempoChange_); }
        MIDITimelineEvent operator[](difference_type n) const { return *(*this + n); }

        Iterator& operator++() { return ++index_, *this; }
        Iterator operator++(int) { auto before = *this; return ++index_, before; }
        Iterator& operator--() { return --index_, *this; }
        Iterator operator--(int) { auto before = *this; return --index_, before; }
        Iterator& operator+=(difference_type n) { return index_ += static_cast<std::size_t>(n), *this; }
        Iterator& operator-=(difference_type n) { return index_ -= static_cast<std::size_t>(n), *this; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b)
        {
            return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

    private:
        const MIDITimelineEventStore* store_ = nullptr;
        std::size_t index_ = 0;
        mutable std::size_t tempoChange_ = MIDITimelineEventStore::unknownTempoChange;
    };

    MIDITimelineEvents() = default;
    MIDITimelineEvents(const MIDITimelineEventStore* store, std::size_t begin, std::size_t end)
        : store_(store), begin_(begin), end_(end)
    {
    }

    Iterator begin() const { return {store_, begin_}; }
    Iterator end() const { return {store_, end_}; }
    std::size_t size() const { return end_ - begin_; }
    bool empty() const { return begin_ == end_; }
    MIDITimelineEvent operator[](std::size_t index) const { return store_->event(begin_ + index); }
    MIDITimelineEvent front() const { return (*this)[0]; }
    MIDITimelineEvent back() const { return (*this)[size() - 1]; }

private:
    const MIDITimelineEventStore* store_ = nullptr;
    std::size_t begin_ = 0, end_ = 0;
};

} // namespace corvane
