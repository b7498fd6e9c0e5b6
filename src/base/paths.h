// Path and word utilities. `/` and `\` both separate path components, and the
// trail byte of a Shift-JIS double-byte character is never a separator.
//
// Every function that writes a result takes the size of its output buffer;
// the default is a path buffer of MM_PATH_SIZE bytes. A result that does not
// fit is cut short (never in the middle of a double-byte character).
#pragma once
#include <cstdio>
#include <cstddef>
#include "base/context.h"

void MM_pathJoin(char *dir, const char *name, size_t size = MM_PATH_SIZE);
void MM_pathDir(char *out, const char *path, size_t size = MM_PATH_SIZE);
void MM_pathStripExt(char *out, const char *path, size_t size = MM_PATH_SIZE);
void MM_pathExt(char *out, const char *path, size_t size = MM_PATH_SIZE);
// Adds `ext` to a name whose last component has no extension. `out` and `in`
// may be the same buffer. -1 when the result does not fit: the name it leaves
// is cut and must not be opened.
int MM_defaultExt(char *out, const char *in, const char *ext, size_t size = MM_PATH_SIZE);
int MM_shortName(char *out, const char *path, size_t size = MM_PATH_SIZE);
// Splits at blanks and commas into malloc'ed words (a double-quoted stretch is
// one word; an empty item between commas is an empty word). With
// `keepParenthesised`, commas inside parentheses stay in their word
// (`inpCC(7,10):off`). 0 words also when memory runs out.
int MM_splitWords(const char *text, char ***array, bool keepParenthesised = false);
void MM_freeWords(int count, char **array);
// The absolute directory of the running program, ending in "/".
int MM_progDir(char *out, const char *argv0, size_t size = MM_DIR_SIZE);

// True for a Shift-JIS (code page 932) lead byte.
inline bool MM_isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool MM_isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Bytes of the character at `p`: 2 for a lead byte followed by a trail byte,
// else 1. No separator, dot, colon or blank is a trail byte except `\`, so
// text in other encodings (UTF-8 names) still splits at those characters.
inline size_t MM_charLength(const char *p)
{
    return MM_isLeadByte((unsigned char)p[0]) && MM_isTrailByte((unsigned char)p[1]) ? 2 : 1;
}

// The last character of `s` when it is a single byte, else '\0' (also for "").
char MM_lastChar(const char *s);

inline bool MM_isSeparator(char c) { return c == '/' || c == '\\'; }

// Turns every `\` that is not the trail byte of a double-byte character into
// `/`, in place: file names keep the separators users write on other systems.
void MM_slashPath(char *path);
// Opens `path` after MM_slashPath; a directory never opens as a file.
FILE *MM_openPath(const char *path, const char *mode);
