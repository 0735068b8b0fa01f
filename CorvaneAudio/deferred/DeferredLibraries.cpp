#include "CorvaneAudio/deferred/DeferredLibraries.hpp"

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "CorvaneAudio/deferred/DeferredSymbolTable.hpp"

namespace corvane {

namespace {

// A library or function that the normal link would have found is missing:
// nothing sensible can run in its place.
[[noreturn]] void failToLoad(const char* what, const char* name, const char* reason)
{
    std::fprintf(stderr, "brelmo: cannot load the deferred %s %s: %s\n", what, name, reason ? reason : "not found");
    std::fflush(stderr);
    std::abort();
}

void loadAll() noexcept
{
    const auto& table = deferred::symbolTable;
    std::vector<void*> handles(table.libraryCount);
    for (std::size_t library = 0; library < table.libraryCount; ++library) {
        handles[library] = dlopen(table.libraries[library], RTLD_NOW | RTLD_GLOBAL);
        if (!handles[library]) failToLoad("library", table.libraries[library], dlerror());
    }
    for (std::size_t index = 0; index < table.symbolCount; ++index) {
        const auto& symbol = table.symbols[index];
        dlerror();
        void* address = dlsym(handles[symbol.library], symbol.name);
        if (!address) failToLoad("function", symbol.name, dlerror());
        // A thread may read the slot while it is written: it jumps either to the resolver or here.
        std::atomic_ref(table.slots[index]).store(address, std::memory_order_release);
    }
}

std::once_flag loaded;

} // namespace

void loadDeferredLibraries()
{
    std::call_once(loaded, loadAll);
}

} // namespace corvane

// Called by the stubs' resolver, with the calling function's arguments saved:
// returns the address of the function the stub `index` stands for.
extern "C" void* brelmo_deferred_function_address(std::size_t index)
{
    corvane::loadDeferredLibraries();
    return std::atomic_ref(corvane::deferred::symbolTable.slots[index]).load(std::memory_order_acquire);
}
