// The script engine: every loaded script is one in-memory TinyCC compile,
// linked against the registered names only, and searched by ZYL_exec.
#include "script/zyl.h"

#include <libtcc.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// The engine's error texts exist in English only, whatever the message
// language; users know them in that form.

namespace {

// Every record the engine keeps lives in memory from the configured pair.
struct ZylMemory {
    void *(*alloc)(size_t);
    void (*release)(void *);
};

template <class T>
struct ZylAllocator {
    using value_type = T;
    ZylMemory memory;

    explicit ZylAllocator(ZylMemory m) : memory(m) {}
    template <class U>
    ZylAllocator(const ZylAllocator<U> &other) : memory(other.memory) {}

    T *allocate(size_t n)
    {
        void *p = memory.alloc(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T *>(p);
    }
    void deallocate(T *p, size_t) { memory.release(p); }
    template <class U>
    bool operator==(const ZylAllocator<U> &other) const
    {
        return memory.alloc == other.memory.alloc && memory.release == other.memory.release;
    }
};

using ZylString = std::basic_string<char, std::char_traits<char>, ZylAllocator<char>>;
template <class T>
using ZylVector = std::vector<T, ZylAllocator<T>>;

struct ZylSymbol {
    ZylString name;
    void *address;
    uint32_t type;
};

// One loaded script. Its global functions are the symbols strictly between
// the two marker functions compiled just before and just after it: data, the
// registered names and the runtime helpers all lie outside that range.
struct ZylModule {
    TCCState *tcc;
    uintptr_t codeStart;
    uintptr_t codeEnd;
};

struct ZylEngine {
    ZylMemory memory;
    ZylVector<ZylSymbol> symbols;
    ZylVector<ZylModule> modules;
    ZylString errMsg;
    const char *loadingPath = nullptr;   // names link-time diagnostics

    explicit ZylEngine(ZylMemory m)
        : memory(m), symbols(ZylAllocator<ZylSymbol>(m)), modules(ZylAllocator<ZylModule>(m)),
          errMsg(ZylAllocator<char>(m))
    {
    }
    ~ZylEngine()
    {
        for (ZylModule &module : modules) tcc_delete(module.tcc);
    }
    ZylString text(const char *initial = "") const { return ZylString(initial, ZylAllocator<char>(memory)); }
};

constexpr const char *kCodeStart = "__zyl_codeStart";
constexpr const char *kCodeEnd = "__zyl_codeEnd";
// No system headers or libraries: a script reaches only what is registered.
constexpr const char *kCompileOptions = "-nostdinc -nostdlib -w";

// The entry points take no handle, so the one engine lives here.
ZylMemory configured = {malloc, free};
ZylEngine *engine = nullptr;

void destroyEngine()
{
    if (!engine) return;
    ZylMemory memory = engine->memory;
    engine->~ZylEngine();
    memory.release(engine);
    engine = nullptr;
}

bool isIdentifier(const char *name)
{
    if (!name || !(isalpha((unsigned char)*name) || *name == '_')) return false;
    for (const char *p = name; *p; ++p)
        if (!(isalnum((unsigned char)*p) || *p == '_')) return false;
    return true;
}

// Appends the C declaration of `name` for a type code, or returns false when
// the code names no type the prelude can write.
bool appendDeclaration(ZylString &out, const char *name, uint32_t type)
{
    const char *base;
    switch (type & 0xFF) {
    case ZYL_TYPE_CHAR: base = "char"; break;
    case ZYL_TYPE_INT: base = "int"; break;
    case ZYL_TYPE_DOUBLE: base = "double"; break;
    default: return false;
    }
    uint8_t modifiers[3];
    int count = 0;
    for (int shift = 8;; shift += 8) {
        if (shift == 32) return false;
        uint8_t byte = (type >> shift) & 0xFF;
        if (byte == ZYL_TYPE_END) break;
        if (byte != ZYL_TYPE_POINTER && byte != ZYL_TYPE_FUNCTION) return false;
        modifiers[count++] = byte;
    }
    // The last modifier binds closest to the name, so the declarator grows
    // from the name outwards; a function of a pointer declarator needs parentheses.
    ZylString declarator(name, out.get_allocator());
    bool pointerOutermost = false;
    for (int i = count - 1; i >= 0; --i) {
        if (modifiers[i] == ZYL_TYPE_POINTER) {
            declarator.insert(0, 1, '*');
            pointerOutermost = true;
            continue;
        }
        if (i > 0 && modifiers[i - 1] == ZYL_TYPE_FUNCTION) return false;   // a function returning a function
        if (pointerOutermost) {
            declarator.insert(0, 1, '(');
            declarator += ')';
        }
        declarator += "()";
        pointerOutermost = false;
    }
    if (count == 0 || modifiers[count - 1] != ZYL_TYPE_FUNCTION) out += "extern ";
    out += base;
    out += ' ';
    out += declarator;
    out += ";\n";
    return true;
}

void setError(const char *format, ...) __attribute__((format(printf, 1, 2)));
void setError(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    engine->errMsg = text;
}

// Keeps TinyCC's diagnostics on one line each: "In file included from" context
// is dropped for the line that names the error itself, and link-time errors
// name the script instead of the compiler.
void collectDiagnostic(void *, const char *message)
{
    try {
        const char *line = strrchr(message, '\n');
        line = line ? line + 1 : message;
        if (!engine->errMsg.empty()) engine->errMsg += "; ";
        if (strncmp(line, "tcc: ", 5) == 0 && engine->loadingPath) {
            engine->errMsg += engine->loadingPath;
            engine->errMsg += ": ";
            line += 5;
        }
        engine->errMsg += line;
    } catch (const std::bad_alloc &) {
        // The diagnostic is lost; the load still fails.
    }
}

// The #line directive renames the script for diagnostics; TinyCC takes its
// file name raw, so characters that would end or break it are replaced.
void appendLineDirective(ZylString &out, const char *path)
{
    out += "#line 1 \"";
    for (const char *p = path; *p; ++p) {
        bool unsafe = (unsigned char)*p < 0x20 || *p == '"' || (*p == '\\' && p[1] == '\0');
        out += unsafe ? '?' : *p;
    }
    out += "\"\n";
}

bool readScript(const char *path, ZylString &out)
{
    FILE *fp = fopen(path, "rb");
    if (!fp) return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, fp)) > 0) out.append(buf, n);
    bool ok = !ferror(fp);
    fclose(fp);
    return ok;
}

uintptr_t markerAddress(TCCState *tcc, const char *marker)
{
    return reinterpret_cast<uintptr_t>(tcc_get_symbol(tcc, marker));
}

// Compiles prelude and script as one unit between the markers, adds the
// registered names and the compiler's helpers, and relocates into memory.
bool buildModule(TCCState *tcc, const char *path, const ZylString &source)
{
    tcc_set_error_func(tcc, nullptr, collectDiagnostic);
    tcc_set_options(tcc, kCompileOptions);
    if (tcc_set_output_type(tcc, TCC_OUTPUT_MEMORY) < 0) return false;

    ZylString dir = engine->text(path);
    size_t slash = dir.find_last_of("/\\");
    dir.resize(slash == ZylString::npos ? 0 : slash);
    tcc_add_include_path(tcc, dir.empty() ? "." : dir.c_str());

    ZylString marker = engine->text("void ");
    marker += kCodeStart;
    marker += "(void) {}\n";
    if (tcc_compile_string(tcc, marker.c_str()) < 0) return false;
    if (tcc_compile_string(tcc, source.c_str()) < 0) return false;
    marker.replace(5, strlen(kCodeStart), kCodeEnd);
    if (tcc_compile_string(tcc, marker.c_str()) < 0) return false;

    // Added after the compile, so that a script's own definition of a
    // registered name takes its place.
    for (const ZylSymbol &symbol : engine->symbols) tcc_add_symbol(tcc, symbol.name.c_str(), symbol.address);
    // TinyCC calls these for struct copies and array initialisers.
    static const struct { const char *name; void *address; } kHelpers[] = {
        {"memcpy", reinterpret_cast<void *>(memcpy)},
        {"memmove", reinterpret_cast<void *>(memmove)},
        {"memset", reinterpret_cast<void *>(memset)},
    };
    for (const auto &helper : kHelpers) {
        if (!tcc_get_symbol(tcc, helper.name)) tcc_add_symbol(tcc, helper.name, helper.address);
    }
    // The runtime archive holds the conversions between unsigned 64-bit
    // integers and floating types; a script that needs none runs without it.
#ifdef QORAL_TCC_RUNTIME
    if (FILE *fp = fopen(QORAL_TCC_RUNTIME, "rb")) {
        fclose(fp);
        if (tcc_add_file(tcc, QORAL_TCC_RUNTIME) < 0) return false;
    }
#endif
    return tcc_relocate(tcc, TCC_RELOCATE_AUTO) >= 0;
}

int loadScript(const char *path)
{
    ZylString source = engine->text();
    if (!readScript(path, source)) {
        setError("Script file '%s' cannot be read", path);
        return -1;
    }
    ZylString prelude = engine->text("#define NULL ((void *)0)\n");
    for (const ZylSymbol &symbol : engine->symbols) appendDeclaration(prelude, symbol.name.c_str(), symbol.type);
    appendLineDirective(prelude, path);
    source.insert(0, prelude);
    if (source.back() != '\n') source += '\n';

    engine->modules.reserve(engine->modules.size() + 1);   // the push below cannot throw
    TCCState *tcc = tcc_new();
    if (!tcc) {
        setError("Script '%s': the compiler cannot start", path);
        return -1;
    }
    engine->loadingPath = path;
    bool built = buildModule(tcc, path, source);
    engine->loadingPath = nullptr;
    if (!built) {
        if (engine->errMsg.empty()) setError("Script '%s' cannot be compiled", path);
        tcc_delete(tcc);
        return -1;
    }
    engine->modules.push_back({tcc, markerAddress(tcc, kCodeStart), markerAddress(tcc, kCodeEnd)});
    return 0;
}

void *findScriptFunction(const char *name)
{
    if (!engine || !name) return nullptr;
    for (auto module = engine->modules.rbegin(); module != engine->modules.rend(); ++module) {
        uintptr_t address = reinterpret_cast<uintptr_t>(tcc_get_symbol(module->tcc, name));
        if (address > module->codeStart && address < module->codeEnd) return reinterpret_cast<void *>(address);
    }
    return nullptr;
}

}  // namespace

void ZYL_setCfg(const ZYLcfg *cfg)
{
    if (cfg && cfg->alloc && cfg->release)
        configured = {cfg->alloc, cfg->release};
    else
        configured = {malloc, free};
}

int ZYL_init(uint32_t, uint32_t)
{
    destroyEngine();
    void *place = configured.alloc(sizeof(ZylEngine));
    if (!place) return -1;
    engine = new (place) ZylEngine(configured);
    return 0;
}

int ZYL_setFunc(const ZYLfunc *entry)
{
    if (!engine || !entry || !isIdentifier(entry->name)) return -1;
    try {
        ZylString check = engine->text();
        if (!appendDeclaration(check, entry->name, entry->type)) return -1;
        for (ZylSymbol &symbol : engine->symbols) {
            if (symbol.name == entry->name) {
                symbol.address = entry->address;
                symbol.type = entry->type;
                return 0;
            }
        }
        engine->symbols.push_back({engine->text(entry->name), entry->address, entry->type});
    } catch (const std::bad_alloc &) {
        return -1;
    }
    return 0;
}

int ZYL_load(const char *path)
{
    if (!engine) return -1;
    try {
        engine->errMsg.clear();
        if (!path || !*path) {
            setError("No script file given");
            return -1;
        }
        return loadScript(path);
    } catch (const std::bad_alloc &) {
        engine->errMsg.clear();
        return -1;
    }
}

const char *ZYL_getErrMsg()
{
    if (!engine) return "Script engine not started";
    return engine->errMsg.c_str();
}

bool ZYL_defines(const char *name) { return findScriptFunction(name) != nullptr; }

int ZYL_exec(const char *name, int count, ...)
{
    void *function = findScriptFunction(name);
    if (!function) return -1;
    intptr_t args[ZYL_MAX_ARGS] = {};
    va_list list;
    va_start(list, count);
    for (int i = 0; i < std::clamp(count, 0, ZYL_MAX_ARGS); ++i) args[i] = va_arg(list, intptr_t);
    va_end(list);
    // Every script function is called as one of ZYL_MAX_ARGS pointer-sized
    // integers. This relies on the x86-64 System V convention: the caller
    // removes the stack arguments, and a callee with fewer int or pointer
    // parameters reads only the registers and stack slots of its own, in the
    // same places, and ignores the rest.
    using ScriptFunction = int (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                   intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                   intptr_t, intptr_t);
    static_assert(ZYL_MAX_ARGS == 18, "the call below passes every argument slot");
    auto call = reinterpret_cast<ScriptFunction>(function);
    return call(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7], args[8], args[9], args[10],
                args[11], args[12], args[13], args[14], args[15], args[16], args[17]);
}
