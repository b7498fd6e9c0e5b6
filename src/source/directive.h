// Preprocessor directives (#define, #include, #if ...) and the per-file
// conditional states that decide which lines are read.
#pragma once
#include <cstdint>
#include "base/context.h"

// Conditional states: the low four bits give the kind, IF_ACTIVE marks a
// region whose lines are read.
enum MMifState : uint32_t {
    IF_NONE = 0x00,          // no conditional open at this level
    IF_TRUE = 0x01,          // condition was true (active before #else)
    IF_FALSE = 0x02,         // condition was false (active after #else)
    IF_INACTIVE = 0x03,      // opened inside an inactive region
    IF_KIND = 0x0F,
    IF_ACTIVE = 0x80,
};

constexpr int MM_MACRO_NAME_SIZE = 256;  // a directive's macro name, with its NUL
constexpr int MM_INCLUDE_NAME_SIZE = 256;

// True when lines of the innermost region of the file are read.
inline bool MMcpp_isActive(const SourceFile &file)
{
    uint32_t state = file.ifState[file.ifLevel];
    return state == IF_NONE || (state & IF_ACTIVE);
}

// Handles one line that begins with `#`: 0 when handled or ignored, -1 on an
// error with the pending message set.
int MMcpp_directive(mmctx *ctx, const char *line);
