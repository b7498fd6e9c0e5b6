// The script engine: C scripts compiled in memory, called by name.
//
// A script is a C source file compiled without any system header or library.
// Ahead of it the engine places a prelude that declares every registered name:
// functions as `T name();` (old-style, so any arguments may be passed; floating
// arguments are promoted to double), variables as `extern T name;`, plus
// `#define NULL ((void *)0)`. A script may #include "file" beside itself, never a
// system header. It may define its own function under a registered name (with
// a compatible type): its definition then takes the place of the registered one.
#pragma once
#include <cstddef>
#include <cstdint>

// Arguments a script function can receive through ZYL_exec.
constexpr int ZYL_MAX_ARGS = 18;

struct ZYLcfg {
    void *(*alloc)(size_t);
    void (*release)(void *);
    void *reserved[2];
};

// Type code bytes, read from the lowest byte upwards: one base type, then
// modifiers, each applying to the type built so far, then ZYL_TYPE_END.
// 0xFF0B0800 is a function returning a pointer to char; 0xFF04 an int variable.
enum : uint8_t {
    ZYL_TYPE_CHAR = 0x00,
    ZYL_TYPE_INT = 0x04,
    ZYL_TYPE_DOUBLE = 0x07,
    ZYL_TYPE_POINTER = 0x08,
    ZYL_TYPE_FUNCTION = 0x0B,
    ZYL_TYPE_END = 0xFF,
};

// One entry of the function table offered to scripts.
struct ZYLfunc {
    const char *name;
    void *address;
    uint32_t type;             // base type, then modifiers, lowest byte first, ended by 0xFF
    uint32_t zero;
};

// Keeps the allocation pair for the engine's own records (ZYL_init picks it up);
// a null pair, or none at all, means malloc and free.
void ZYL_setCfg(const ZYLcfg *cfg);
// Starts the engine afresh, dropping every registration and loaded script. The
// sizes are accepted as given; compiled code and script data grow as needed.
// 0 on success.
int ZYL_init(uint32_t codeSize, uint32_t heapSize);
// Registers (or re-registers) a name for the scripts loaded after it; the name
// and address are copied. -1 for a name that is no C identifier or a type code
// the prelude cannot declare.
int ZYL_setFunc(const ZYLfunc *entry);
// Compiles a script file and adds its functions to those ZYL_exec finds; a later
// script's function hides an earlier one of the same name. 0 on success; -1
// otherwise, with the diagnostics ("file:line: error: text") in ZYL_getErrMsg.
int ZYL_load(const char *path);
// The message of the last failed ZYL_load, valid until the next ZYL_ call. A
// build without the engine also leaves here why a ZYL_exec could not run.
const char *ZYL_getErrMsg();
// True when a loaded script defines the function `name`.
bool ZYL_defines(const char *name);
// Calls the script function `name`, which returns int and takes up to
// ZYL_MAX_ARGS int or pointer parameters, with the `count` arguments that follow
// (a count beyond that range is clamped). Pass each argument pointer-sized:
// a pointer, or an integer cast to intptr_t. -1 when no script defines `name`.
int ZYL_exec(const char *name, int count, ...);
