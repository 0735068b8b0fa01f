#pragma once

#include <jack/jack.h>

#include <cstdint>
#include <functional>
#include <string>

#include <pthread.h>

namespace corvane {

// The program's JACK clients (the MIDI ports', the audio output's, the
// device listing's) are opened and closed here, on one thread at a time (in
// the program the main thread; the output is prepared on a worker before
// anything else is open).
//
// When a server dies, libjack's next jack_client_open in this process closes
// and frees every client still open, behind its owner's back; an owner that
// then closes or uses its client touches freed memory. Each client hears of
// the death on a thread of its own, one maybe long after another. So the
// first notice to any client condemns them all: before another client is
// opened, and whenever an owner asks, every client of ours is closed and its
// owner told to forget it. What this cannot see is a client opened by
// another library, or one opened in the few instructions between libjack's
// own note of a death and the first client's notice.
class JackClientRegistry {
public:
    // Tells the owner that its client was closed: it forgets it and what
    // only the client's threads used. Called on the thread that closed it.
    using Forget = std::function<void()>;

    // Opens a client after closing every client of ours when a server has
    // gone; null when no server takes it. The client's shutdown callback
    // must call `serverGone()`.
    static jack_client_t* open(const std::string& name, jack_options_t options, jack_status_t* status, Forget forget);
    // The owner's own close (its owner is not told), server alive or not.
    static void close(jack_client_t* client);
    // From a shutdown callback, on one of libjack's threads.
    static void serverGone();
    // Closes every client of ours when a server has gone (telling their
    // owners); true when it did.
    static bool closeIfServerGone();

    // Called on one of libjack's threads at each notice of a server's
    // death, so that an owner may look on its own thread; it must only hand
    // the news over. Once `stopListening` returns it is no longer called.
    using Listener = std::function<void()>;
    static std::uint64_t listen(Listener listener);
    static void stopListening(std::uint64_t token);
};

// Runs `work`, a callback of ours on one of libjack's threads, out of reach
// of cancellation. Closing a client cancels its threads asynchronously, and
// after a server's death without waiting for them: cancelled inside our code
// a thread would unwind through code that must not be unwound (the program
// aborts) or stop halfway through a lock or an allocation. The cancellation
// waits, and takes effect as this returns, when nothing of `work` is left.
// The caller must hold nothing that needs destroying across the call.
template <class Work> void runUncancellable(Work&& work)
{
    int cancellation = PTHREAD_CANCEL_ENABLE;
    ::pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancellation);
    work();
    ::pthread_setcancelstate(cancellation, nullptr);
}

} // namespace corvane
