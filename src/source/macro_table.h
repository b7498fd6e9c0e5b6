// The macro table: user, built-in, table, function and script-bound macros.
#pragma once
#include <cstddef>
#include <cstdint>
#include "base/context.h"

enum MMacKind : uint32_t {
    MACRO_TEXT = 0,
    MACRO_BUILTIN = 1,
    MACRO_TABLE = 2,
    MACRO_FUNC = 3,
    MACRO_SCRIPT = 4,
};

// Built-in function macros: (context, space, output, argc, argv) -> characters
// written, or -1 with a pending message.
using MMacFunc = int (*)(mmctx *ctx, int space, char *out, int argc, char **argv);

struct MMacRec {
    MMacRec *next;
    uint32_t kind;
    char *name;
    uint32_t size;             // value length in characters; for a table, 4 x entries
    void *value;
    MMacFunc func;
};

constexpr int MM_MACRO_NEST_LIMIT = 128;  // text macros expanding at once
constexpr int MM_MACRO_ARG_SIZE = 512;    // one expanded macro argument, with its NUL
constexpr long MM_MACRO_STEP_LIMIT = 4000000;  // expansion steps of one line
constexpr int MM_TABLE_LIMIT = 511;       // entries of one table

int MMac_init(mmctx *ctx);
void MMac_free(mmctx *ctx);
MMacRec *MMac_find(mmctx *ctx, const char *name);
// The same for a name of `length` characters that need not be terminated.
MMacRec *MMac_findN(mmctx *ctx, const char *name, size_t length);
int MMac_define(mmctx *ctx, const char *name, const char *value, int allowRedefine);
extern "C" int MMac_extDefine(mmctx *ctx, const char *name, const char *value, int kind, MMacFunc func);
int MMac_undef(mmctx *ctx, const char *name);
int MMac_defineTable(mmctx *ctx, const char *name, const char *values);
int MMac_subst(char *out, const char *templ, int32_t value);
