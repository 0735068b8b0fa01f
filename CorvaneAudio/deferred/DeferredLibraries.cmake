# The sound, MIDI and plugin libraries and the ~65 they pull in cost the
# program a third of its loading time before `main`, yet are first needed
# after the window is up. So the program (not the tests, which link them as
# usual) is linked against stubs: one per function it calls, a jump through a
# slot that at first leads to a resolver, which dlopen()s the libraries once,
# fills every slot and goes on to the real function. loadDeferredLibraries()
# (DeferredLibraries.hpp) loads them ahead, on a worker thread. The lists
# (*.symbols) hold what a normally linked program imports from each library:
# `nm -D --undefined-only` of the program against `nm -D --defined-only` of
# the library. Only functions: a variable or a type's typeinfo cannot be
# reached through a stub, so the program uses none of theirs.
#
# The stubs are x86-64 assembly; elsewhere everything is linked as usual.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$"
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(BRELMO_CAN_DEFER_LIBRARIES ON)
else()
  set(BRELMO_CAN_DEFER_LIBRARIES OFF)
endif()

# The soname a program would record for the library file `path`, which dlopen() is given.
function(brelmo_soname path out)
  if(NOT path MATCHES "/")
    set(${out} ${path} PARENT_SCOPE) # a soname already
    return()
  endif()
  execute_process(COMMAND ${CMAKE_READELF} -d ${path} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
  if(failed OR NOT dynamic MATCHES "Library soname: \\[([^]]+)\\]")
    message(FATAL_ERROR "No soname found in ${path}")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

# brelmo_add_deferred_stubs(<target> <library> <symbol list> [<library> <symbol list>]...)
# Makes the static library <target>: a stub for each function named in each
# list (one a line, `#` starts a comment), standing for that function of the
# library before it (its file, or its soname), and the loader.
function(brelmo_add_deferred_stubs target)
  set(libraries "")
  set(symbols "")
  set(stubs "")
  set(slots "")
  set(library_count 0)
  set(index 0)
  while(ARGN)
    list(POP_FRONT ARGN library_file list_file)
    brelmo_soname(${library_file} soname)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
    file(STRINGS ${list_file} names REGEX "^[^#]")
    string(APPEND libraries "    \"${soname}\",\n")
    foreach(name IN LISTS names)
      string(STRIP "${name}" name)
      string(APPEND symbols "    {\"${name}\", ${library_count}},\n")
      # The stub keeps the caller's frame (a jump), so the function returns, or
      # throws, straight to the caller. Hidden: the libraries' own calls to
      # their functions never come here.
      string(APPEND stubs "    .globl ${name}\n    .hidden ${name}\n    .type ${name}, @function\n"
        "    .p2align 4\n${name}:\n    .cfi_startproc\n    jmp *brelmo_deferred_slots+${index}*8(%rip)\n"
        ".Lresolve_${index}:\n    movl $${index}, %r11d\n    jmp brelmo_deferred_resolver\n    .cfi_endproc\n"
        "    .size ${name}, .-${name}\n")
      string(APPEND slots "    .quad .Lresolve_${index}\n")
      math(EXPR index "${index} + 1")
    endforeach()
    math(EXPR library_count "${library_count} + 1")
  endwhile()

  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}Stubs.cpp)
  file(CONFIGURE OUTPUT ${generated} @ONLY CONTENT [==[
// Made by DeferredLibraries.cmake from the symbol lists; do not edit.
#include <iterator>

#include "CorvaneAudio/deferred/DeferredSymbolTable.hpp"

extern "C" void* brelmo_deferred_slots[];

namespace corvane::deferred {

namespace {
const char* const libraries[] = {
@libraries@};
const Symbol symbols[] = {
@symbols@};
} // namespace

const SymbolTable symbolTable{libraries, std::size(libraries), symbols, std::size(symbols), brelmo_deferred_slots};

} // namespace corvane::deferred

// The resolver, entered by a jump from a stub with the stub's index in r11:
// keeps every register that may carry arguments (and rax, the vector count of
// variadic calls) while the loader runs, then jumps to the function as the
// stub would have. The .cfi lines tell debuggers and profilers where the
// caller's frame is.
asm(R"(
    .text
@stubs@
    .p2align 4
    .type brelmo_deferred_resolver, @function
brelmo_deferred_resolver:
    .cfi_startproc
    push %r11; .cfi_adjust_cfa_offset 8
    push %rdi; .cfi_adjust_cfa_offset 8
    push %rsi; .cfi_adjust_cfa_offset 8
    push %rdx; .cfi_adjust_cfa_offset 8
    push %rcx; .cfi_adjust_cfa_offset 8
    push %r8; .cfi_adjust_cfa_offset 8
    push %r9; .cfi_adjust_cfa_offset 8
    push %rax; .cfi_adjust_cfa_offset 8
    # 8 pushes after the return address; 136 more bytes align the stack to 16 for the call.
    sub $136, %rsp; .cfi_adjust_cfa_offset 136
    movdqu %xmm0, 0(%rsp)
    movdqu %xmm1, 16(%rsp)
    movdqu %xmm2, 32(%rsp)
    movdqu %xmm3, 48(%rsp)
    movdqu %xmm4, 64(%rsp)
    movdqu %xmm5, 80(%rsp)
    movdqu %xmm6, 96(%rsp)
    movdqu %xmm7, 112(%rsp)
    mov %r11, %rdi
    call brelmo_deferred_function_address@PLT
    mov %rax, %r11
    movdqu 0(%rsp), %xmm0
    movdqu 16(%rsp), %xmm1
    movdqu 32(%rsp), %xmm2
    movdqu 48(%rsp), %xmm3
    movdqu 64(%rsp), %xmm4
    movdqu 80(%rsp), %xmm5
    movdqu 96(%rsp), %xmm6
    movdqu 112(%rsp), %xmm7
    add $136, %rsp; .cfi_adjust_cfa_offset -136
    pop %rax; .cfi_adjust_cfa_offset -8
    pop %r9; .cfi_adjust_cfa_offset -8
    pop %r8; .cfi_adjust_cfa_offset -8
    pop %rcx; .cfi_adjust_cfa_offset -8
    pop %rdx; .cfi_adjust_cfa_offset -8
    pop %rsi; .cfi_adjust_cfa_offset -8
    pop %rdi; .cfi_adjust_cfa_offset -8
    add $8, %rsp; .cfi_adjust_cfa_offset -8
    jmp *%r11
    .cfi_endproc

    .data
    .p2align 3
    .globl brelmo_deferred_slots
    .hidden brelmo_deferred_slots
brelmo_deferred_slots:
@slots@
    .text
)");
]==])
  add_library(${target} STATIC ${generated} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/DeferredLibraries.cpp
    ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/DeferredLibraries.hpp ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/DeferredSymbolTable.hpp)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
endfunction()
