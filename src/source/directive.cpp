#include "source/directive.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "source/text_scan.h"

// The directives' own error texts, written as literals here, exist in English
// only, whatever the message language; users know them in that form.

namespace {

using Handler = int (*)(mmctx *ctx, SourceFile &file, const char *text);

bool endsWord(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\n'; }

// A macro name ends at a blank, a tab, a line feed or the end of the line;
// the character behind it is consumed.
int readName(mmctx *ctx, const char *&p, char (&name)[MM_MACRO_NAME_SIZE])
{
    MM_skipBlanks(&p);
    if (!MMcpp_isIdentStart((unsigned char)*p)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    int n = 0;
    while (MMcpp_isIdentChar((unsigned char)*p)) {
        if (n + 1 >= MM_MACRO_NAME_SIZE) return MM_setErr(ctx, "Too long macro name!");
        name[n++] = *p++;
    }
    name[n] = '\0';
    if (!endsWord(*p)) return MM_setErr(ctx, MM_text(MSG_MACRO_NAME_IDENT));
    if (*p) ++p;
    return 0;
}

// Opens a conditional level; the state is decided by the caller.
int openLevel(mmctx *ctx, SourceFile &file)
{
    if (file.ifCount + 1 >= MM_MAX_IFS) return MM_setErr(ctx, "Too many nested #if statements!");
    file.ifLevel = file.ifCount++;
    file.ifState[file.ifLevel] = IF_INACTIVE;
    return 0;
}

int doDefine(mmctx *ctx, SourceFile &file, const char *text)
{
    if (!MMcpp_isActive(file)) return 0;
    const char *p = text;
    MM_skipBlanks(&p);
    bool redefine = *p == '$';
    if (redefine) ++p;
    char name[MM_MACRO_NAME_SIZE];
    if (readName(ctx, p, name) < 0) return -1;
    MM_skipBlanks(&p);
    return MMac_define(ctx, name, p, redefine);
}

int doElse(mmctx *ctx, SourceFile &file, const char *)
{
    if (file.ifCount == 0) return MM_setErr(ctx, "#else must be in an #if");
    uint32_t &state = file.ifState[file.ifLevel];
    if ((state & IF_KIND) == IF_TRUE) state &= ~(uint32_t)IF_ACTIVE;
    if ((state & IF_KIND) == IF_FALSE) state |= IF_ACTIVE;
    return 0;
}

int doEndif(mmctx *ctx, SourceFile &file, const char *)
{
    if (file.ifCount == 0) return MM_setErr(ctx, "#endif must be in an #if");
    file.ifState[file.ifLevel] = IF_NONE;
    if (file.ifLevel > 0) --file.ifLevel;
    --file.ifCount;
    return 0;
}

[[noreturn]] int doError(mmctx *ctx, SourceFile &, const char *text)
{
    MM_setErrMsg(ctx, "#error : %s", text);
    MM_errorReport();
}

int doIf(mmctx *ctx, SourceFile &file, const char *text)
{
    bool enclosingActive = MMcpp_isActive(file);
    if (openLevel(ctx, file) < 0) return -1;
    // Directive lines are not expanded: the condition is a literal number.
    if (enclosingActive) file.ifState[file.ifLevel] = strtol(text, nullptr, 10) != 0 ? IF_TRUE | IF_ACTIVE : IF_FALSE;
    return 0;
}

int testDefined(mmctx *ctx, SourceFile &file, const char *text, bool wanted)
{
    bool enclosingActive = MMcpp_isActive(file);
    if (openLevel(ctx, file) < 0) return -1;
    const char *p = text;
    char name[MM_MACRO_NAME_SIZE];
    if (readName(ctx, p, name) < 0) return -1;
    if (enclosingActive)
        file.ifState[file.ifLevel] = (MMac_find(ctx, name) != nullptr) == wanted ? IF_TRUE | IF_ACTIVE : IF_FALSE;
    return 0;
}

int doIfdef(mmctx *ctx, SourceFile &file, const char *text) { return testDefined(ctx, file, text, true); }
int doIfndef(mmctx *ctx, SourceFile &file, const char *text) { return testDefined(ctx, file, text, false); }

// #include "name" or #include <name>; both search the same way.
int doInclude(mmctx *ctx, SourceFile &file, const char *text)
{
    if (!MMcpp_isActive(file)) return 0;
    const char *p = text;
    MM_skipBlanks(&p);
    char close = *p == '"' ? '"' : *p == '<' ? '>' : '\0';
    if (!close) return MM_setErr(ctx, MM_text(MSG_FILE_NAME_IDENT));
    ++p;
    char name[MM_INCLUDE_NAME_SIZE];
    int n = 0;
    while (n + 1 < MM_INCLUDE_NAME_SIZE && *p && *p != close && !MM_isBlank((unsigned char)*p)) name[n++] = *p++;
    if (*p != close) return MM_setErr(ctx, MM_text(MSG_FILE_NAME_IDENT));
    name[n] = '\0';
    return MMcpp_push(ctx, name);
}

int doTable(mmctx *ctx, SourceFile &file, const char *text)
{
    if (!MMcpp_isActive(file)) return 0;
    const char *p = text;
    char name[MM_MACRO_NAME_SIZE];
    if (readName(ctx, p, name) < 0) return -1;
    MM_skipBlanks(&p);
    return MMac_defineTable(ctx, name, p);
}

int doUndef(mmctx *ctx, SourceFile &file, const char *text)
{
    if (!MMcpp_isActive(file)) return 0;
    const char *p = text;
    char name[MM_MACRO_NAME_SIZE];
    if (readName(ctx, p, name) < 0) return -1;
    return MMac_undef(ctx, name);
}

struct Directive {
    const char *name;
    Handler handler;
};

// Sorted by name for the one shared lookup.
constexpr std::array<Directive, 10> kDirectives = {{
    {"define", doDefine},
    {"else", doElse},
    {"endif", doEndif},
    {"error", doError},
    {"if", doIf},
    {"ifdef", doIfdef},
    {"ifndef", doIfndef},
    {"include", doInclude},
    {"table", doTable},
    {"undef", doUndef},
}};

static_assert(MM_namesSorted(kDirectives));

Handler findDirective(const char *word)
{
    const Directive *directive = MM_findName(kDirectives, word);
    return directive ? directive->handler : nullptr;
}

}  // namespace

int MMcpp_directive(mmctx *ctx, const char *line)
{
    if (ctx->fileDepth < 1 || ctx->fileDepth > MM_MAX_SOURCES) return 0;
    SourceFile &file = ctx->fileStack[ctx->fileDepth - 1];
    const char *p = line;
    if (*p == '#') ++p;
    MM_skipBlanks(&p);
    if (*p == '\0') return 0;
    // #$name value is the short form of #define $name value.
    if (*p == '$') return doDefine(ctx, file, p);
    const char *word = p;
    while (!endsWord(*p)) ++p;
    MM_skipBlanks(&p);
    Handler handler = findDirective(word);
    if (handler) return handler(ctx, file, p);
    // Any other word is ignored; one that reads like a directive is most
    // likely a misspelt one.
    if (MMcpp_isActive(file) && MM_isAsciiAlpha((unsigned char)*word)) {
        int length = 0;
        while (!endsWord(word[length])) ++length;
        MM_warn(ctx, word, "unknown directive \"#%.*s\" is ignored", std::min(length, 32), word);
    }
    return 0;
}
