// The text a generator macro writes: straight into the expander's buffer,
// always below the caller's room and below MM_GEN_TEXT_LIMIT characters. A
// write that would not fit fails; the generator then reports "Out of string
// space!" (MMgen_outOfSpace) and the expander drops what was written.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include "base/context.h"

constexpr int MM_GEN_TEXT_LIMIT = 16384;

class MMgenText {
public:
    MMgenText(char *out, int space) : out_(out), limit_(std::min(space, MM_GEN_TEXT_LIMIT)) {}

    bool put(const char *text) { return put(text, strlen(text)); }
    bool put(const char *text, size_t length)
    {
        if (limit_ - length_ <= 0 || length >= (size_t)(limit_ - length_)) return false;
        memcpy(out_ + length_, text, length);
        length_ += (int)length;
        return true;
    }
    bool repeat(char c, int times)
    {
        for (int i = 0; i < times; ++i)
            if (!put(&c, 1)) return false;
        return true;
    }
    // The pattern with every `=` replaced by the value, or the value appended
    // when the pattern holds no `=` (`v=` and 100 give `v100`, so does `v`).
    bool fill(const char *pattern, int32_t value);

    int limit() const { return limit_; }
    int length() const { return length_; }

private:
    char *out_;
    int limit_;
    int length_ = 0;
};

// "Out of string space!" pending; -1.
int MMgen_outOfSpace(mmctx *ctx);
