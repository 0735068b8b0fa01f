#include <gtest/gtest.h>

#include <QSignalSpy>

#include "CorvaneApp/window/OpenMIDIRequests.hpp"

using corvane::OpenMIDIRequests;
using Paths = std::vector<std::filesystem::path>;

TEST(OpenMIDIRequests, KeepsOnlyTheLastMIDIFileOfABatchUntilTaken)
{
    OpenMIDIRequests requests;
    QSignalSpy changes(&requests, &OpenMIDIRequests::pendingChanged);

    requests.enqueue({"/m/a.mid", "/m/b.MIDI", "/m/notes.txt", "/m/c.Mid", "/m/song.mid.txt", "/m/karaoke.kar"});
    EXPECT_EQ(requests.pending(), Paths{"/m/c.Mid"});
    EXPECT_EQ(changes.count(), 1);

    // Nothing to open: what waits stays, and nobody is told.
    requests.enqueue({"/m/readme.txt", "/m/noextension"});
    requests.enqueue({});
    EXPECT_EQ(requests.pending(), Paths{"/m/c.Mid"});
    EXPECT_EQ(changes.count(), 1);

    // The same file again while it waits is no change.
    requests.enqueue({"/m/c.Mid"});
    EXPECT_EQ(changes.count(), 1);

    EXPECT_EQ(requests.takePending(), std::filesystem::path("/m/c.Mid"));
    EXPECT_TRUE(requests.pending().empty());
    EXPECT_EQ(changes.count(), 2);

    // Empty: nothing comes out and nobody is told.
    EXPECT_EQ(requests.takePending(), std::nullopt);
    EXPECT_EQ(changes.count(), 2);

    // Once taken, the same file queues anew.
    requests.enqueue({"/m/c.Mid"});
    EXPECT_EQ(requests.pending(), Paths{"/m/c.Mid"});
    EXPECT_EQ(changes.count(), 3);
}
