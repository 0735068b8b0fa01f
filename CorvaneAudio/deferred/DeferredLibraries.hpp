#pragma once

namespace corvane {

// Loads the sound, MIDI and plugin libraries now, on the calling thread. The
// program is linked so that they are not loaded at its start (the stubs of
// DeferredLibraries.cmake); without that (other systems, the tests) they were
// loaded with the program and this does nothing. Calling a function of theirs
// before this loads them too, once, whichever thread calls first.
void loadDeferredLibraries();

} // namespace corvane
