// Path and word utilities. `/` and `\` both separate path components, and the
// trail byte of a Shift-JIS double-byte character is never a separator.
#pragma once

void MM_pathJoin(char *dir, const char *name);
void MM_pathDir(char *out, const char *path);
void MM_pathStripExt(char *out, const char *path);
void MM_pathExt(char *out, const char *path);
void MM_defaultExt(char *out, const char *in, const char *ext);
int MM_shortName(char *out, const char *path);
int MM_splitWords(const char *text, char ***array);
void MM_freeWords(int count, char **array);
int MM_progDir(char *out, const char *argv0);

// True for a Shift-JIS (code page 932) lead byte.
inline bool MM_isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
