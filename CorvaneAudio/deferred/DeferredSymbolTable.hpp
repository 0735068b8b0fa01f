#pragma once

#include <cstddef>

// What the generated stubs tell the loader: the libraries by soname and, for
// each stub, the function it stands for and where its address goes.
namespace corvane::deferred {

struct Symbol {
    const char* name;
    std::size_t library;
};

struct SymbolTable {
    const char* const* libraries;
    std::size_t libraryCount;
    const Symbol* symbols;
    std::size_t symbolCount;
    // One a stub: at first the address of the stub's resolver, then the function's.
    void** slots;
};

extern const SymbolTable symbolTable;

} // namespace corvane::deferred
