#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CorvaneDomain/PrefaultAhead.hpp"

using namespace corvane;

namespace {
std::uint64_t valueAt(std::uint64_t index) { return index * 2654435761u + 7; }
} // namespace

TEST(PrefaultAhead, ListsBackedInTheBackgroundKeepEveryValueWhenFilledPastTheirRoomOrDropped)
{
    // 8 MB reserved, so backed on a thread of its own; filled to half again
    // as much, so the list moves while being backed.
    std::vector<std::uint64_t> list;
    list.reserve(1 << 20);
    PrefaultAhead ahead;
    ahead.inBackground(list);
    for (std::uint64_t i = 0; i < (3u << 19); ++i) {
        ahead.keepAhead(list);
        list.push_back(valueAt(i));
    }
    ahead.stop();
    ahead.stop();
    ASSERT_EQ(list.size(), 3u << 19);
    for (std::uint64_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i], valueAt(i)) << i;

    // Filled in part, then the helper goes before the list, still waiting for it.
    std::vector<std::uint64_t> partly;
    partly.reserve(1 << 20);
    {
        PrefaultAhead partlyAhead;
        partlyAhead.inBackground(partly);
        for (std::uint64_t i = 0; i < 1000; ++i) {
            partlyAhead.keepAhead(partly);
            partly.push_back(valueAt(i));
        }
    }
    for (std::uint64_t i = 0; i < partly.size(); ++i) ASSERT_EQ(partly[i], valueAt(i)) << i;
}
