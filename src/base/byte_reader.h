// A cursor over MIDI bytes in memory (a file read whole, a track chunk just
// encoded) that never reads past its end: every read reports whether the
// bytes were there.
#pragma once
#include <cstddef>
#include <cstdint>

struct MMbyteReader {
    const uint8_t *bytes;
    size_t pos;
    size_t end;

    bool done() const { return pos >= end; }
    bool byte(uint8_t *out)
    {
        if (pos >= end) return false;
        *out = bytes[pos++];
        return true;
    }
    // A big-endian number of `count` bytes (at most 4).
    bool big(int count, uint32_t *out)
    {
        if (end - pos < (size_t)count) return false;
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = value << 8 | bytes[pos++];
        *out = value;
        return true;
    }
    // A variable-length quantity: at most 4 bytes, 28 bits.
    bool quantity(uint32_t *out)
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(&b)) return false;
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80)) {
                *out = value;
                return true;
            }
        }
        return false;
    }
    bool skip(size_t count)
    {
        if (end - pos < count) return false;
        pos += count;
        return true;
    }
    // The next `count` bytes, or null when fewer remain.
    const uint8_t *take(size_t count)
    {
        const uint8_t *from = bytes + pos;
        return skip(count) ? from : nullptr;
    }
};
