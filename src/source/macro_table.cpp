#include "source/macro_table.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/parse.h"
#include "gen/chord.h"
#include "gen/expr.h"
#include "gen/wave.h"
#include "source/text_scan.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

struct BuiltinFunc {
    const char *name;
    MMacFunc func;
};

// The generator macros.
constexpr std::array<BuiltinFunc, 5> kBuiltinFuncs = {{
    {"expr", MMgen_expr},
    {"chord", MMgen_chord},
    {"slide", MMgen_slide},
    {"wave", MMgen_wave},
    {"swave", MMgen_swave},
}};

constexpr int kFirstHexMacro = 0xA0;
constexpr int kLastHexMacro = 0xFE;

unsigned bucketOf(const char *name, size_t length)
{
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i) sum += (unsigned)MM_lowerAscii((unsigned char)name[i]);
    return (31u * sum) % MM_MACRO_BUCKETS;
}

bool sameName(const char *recName, const char *name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (recName[i] == '\0' || MM_lowerAscii((unsigned char)recName[i]) != MM_lowerAscii((unsigned char)name[i]))
            return false;
    return recName[length] == '\0';
}

// Copies text without its comments; comments nest and an unclosed one runs
// to the end. With a null out only counts. Returns the length copied.
size_t copyWithoutComments(char *out, const char *in)
{
    size_t n = 0;
    int depth = 0;
    for (const char *p = in; *p;) {
        if (p[0] == '/' && p[1] == '*') {
            ++depth;
            p += 2;
        } else if (depth > 0 && p[0] == '*' && p[1] == '/') {
            --depth;
            p += 2;
        } else {
            if (depth == 0) {
                if (out) out[n] = *p;
                ++n;
            }
            ++p;
        }
    }
    if (out) out[n] = '\0';
    return n;
}

// One block holds the record, its value and its name, so one free releases all.
MMacRec *newRecord(mmctx *ctx, uint32_t kind, const char *name, size_t valueBytes)
{
    size_t nameBytes = strlen(name) + 1;
    auto *rec = static_cast<MMacRec *>(malloc(sizeof(MMacRec) + valueBytes + nameBytes));
    if (!rec) {
        MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    rec->next = nullptr;
    rec->kind = kind;
    rec->value = rec + 1;
    rec->name = static_cast<char *>(rec->value) + valueBytes;
    memcpy(rec->name, name, nameBytes);
    rec->size = 0;
    rec->func = nullptr;
    return rec;
}

void appendRecord(mmctx *ctx, MMacRec *rec)
{
    MMacRec **link = &ctx->macros[bucketOf(rec->name, strlen(rec->name))];
    while (*link) link = &(*link)->next;
    *link = rec;
}

int redefining(mmctx *ctx, const char *name)
{
    MM_setErrMsg(ctx, MM_text(MSG_REDEFINING), name);
    return -1;
}

// Adds a text-valued record (kinds 0, 1 and 4); the value loses its comments.
int addText(mmctx *ctx, const char *name, const char *value, uint32_t kind, MMacFunc func)
{
    if (!value) value = "";
    size_t length = copyWithoutComments(nullptr, value);
    MMacRec *rec = newRecord(ctx, kind, name, length + 1);
    if (!rec) return -1;
    copyWithoutComments(static_cast<char *>(rec->value), value);
    rec->size = (uint32_t)length;
    rec->func = func;
    appendRecord(ctx, rec);
    return 0;
}

// Reads a table's value list: signed integers separated by commas, an empty
// item before a comma counting as 0; the list ends at the end of the text, at
// a comment, after an item without a comma, or at a comma that ends the text.
int readTable(mmctx *ctx, const char *text, int32_t *items, int *count)
{
    const char *p = text;
    int n = 0;
    for (;;) {
        MM_skipBlanks(&p);
        if (*p == '\0' || (p[0] == '/' && p[1] == '*')) break;
        int32_t value = 0;
        if (*p != ',' && MM_getNum(&value, &p) < 0) return MM_setErr(ctx, MM_text(MSG_TABLE_ERROR));
        if (n == MM_TABLE_LIMIT) return MM_setErr(ctx, MM_text(MSG_OVER_TABLE));
        items[n++] = value;
        MM_skipBlanks(&p);
        if (*p != ',') break;
        ++p;
    }
    *count = n;
    return 0;
}

int addTable(mmctx *ctx, const char *name, const char *values)
{
    int32_t items[MM_TABLE_LIMIT];
    int count = 0;
    if (readTable(ctx, values ? values : "", items, &count) < 0) return -1;
    if (MMac_find(ctx, name)) return redefining(ctx, name);
    size_t bytes = sizeof(int32_t) * (size_t)count;
    MMacRec *rec = newRecord(ctx, MACRO_TABLE, name, bytes);
    if (!rec) return -1;
    if (bytes) memcpy(rec->value, items, bytes);
    rec->size = (uint32_t)bytes;
    appendRecord(ctx, rec);
    return 0;
}

}  // namespace

int MMac_init(mmctx *ctx)
{
    MMac_free(ctx);
    for (int code = kFirstHexMacro; code <= kLastHexMacro; ++code) {
        char name[4], value[8];
        snprintf(name, sizeof name, "%02X", code);
        snprintf(value, sizeof value, "%d", code);
        if (addText(ctx, name, value, MACRO_BUILTIN, nullptr) < 0) return -1;
    }
    for (const BuiltinFunc &builtin : kBuiltinFuncs)
        if (addText(ctx, builtin.name, "", MACRO_FUNC, builtin.func) < 0) return -1;
    MM_msg(ctx, MSGC_INIT, "$$$ MMac_init() Ok ");
    return 0;
}

void MMac_free(mmctx *ctx)
{
    for (MMacRec *&head : ctx->macros) {
        while (head) {
            MMacRec *next = head->next;
            free(head);
            head = next;
        }
    }
}

MMacRec *MMac_findN(mmctx *ctx, const char *name, size_t length)
{
    for (MMacRec *rec = ctx->macros[bucketOf(name, length)]; rec; rec = rec->next)
        if (sameName(rec->name, name, length)) return rec;
    return nullptr;
}

MMacRec *MMac_find(mmctx *ctx, const char *name) { return MMac_findN(ctx, name, strlen(name)); }

int MMac_define(mmctx *ctx, const char *name, const char *value, int allowRedefine)
{
    if (!MMcpp_isIdent(name)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    if (MMac_find(ctx, name)) {
        if (!allowRedefine) return redefining(ctx, name);
        if (MMac_undef(ctx, name) < 0) return -1;
    }
    return addText(ctx, name, value, MACRO_TEXT, nullptr);
}

extern "C" int MMac_extDefine(mmctx *ctx, const char *name, const char *value, int kind, MMacFunc func)
{
    if (!MMcpp_isIdent(name)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    if (kind < (int)MACRO_TEXT || kind > (int)MACRO_SCRIPT) {
        MM_setErrMsg(ctx, "Macro kind error! (%d)", kind);
        return -1;
    }
    // A table given as text is read like the values of #table.
    if (kind == (int)MACRO_TABLE) return addTable(ctx, name, value);
    if (MMac_find(ctx, name)) return redefining(ctx, name);
    return addText(ctx, name, value, (uint32_t)kind, kind == (int)MACRO_FUNC ? func : nullptr);
}

int MMac_undef(mmctx *ctx, const char *name)
{
    if (!MMcpp_isIdent(name)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    size_t length = strlen(name);
    for (MMacRec **link = &ctx->macros[bucketOf(name, length)]; *link; link = &(*link)->next) {
        MMacRec *rec = *link;
        if (!sameName(rec->name, name, length)) continue;
        if (rec->kind != MACRO_TEXT) {
            MM_setErrMsg(ctx, MM_text(MSG_CANT_UNDEFINE), name);
            return -1;
        }
        *link = rec->next;
        free(rec);
        return 0;
    }
    return 0;
}

int MMac_defineTable(mmctx *ctx, const char *name, const char *values)
{
    if (!MMcpp_isIdent(name)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    return addTable(ctx, name, values);
}

int MMac_subst(char *out, const char *templ, int32_t value)
{
    char number[16];
    int numberLength = snprintf(number, sizeof number, "%d", value);
    int n = 0;
    bool substituted = false;
    for (const char *p = templ; *p; ++p) {
        if (*p == '=') {
            memcpy(out + n, number, (size_t)numberLength);
            n += numberLength;
            substituted = true;
        } else {
            out[n++] = *p;
        }
    }
    if (!substituted) {
        memcpy(out + n, number, (size_t)numberLength);
        n += numberLength;
    }
    out[n] = '\0';
    return n;
}
