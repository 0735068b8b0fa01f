#include "CorvaneAudio/deferred/DeferredLibraries.hpp"

namespace corvane {

// Linked with the libraries themselves: they were loaded with the program.
void loadDeferredLibraries() {}

} // namespace corvane
