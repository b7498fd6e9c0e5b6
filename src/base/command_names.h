// Command codes of the letter command map and the names that `.mmlcmd` and
// `^(mmlcmd, ...)` accept for them.
#pragma once
#include <cstdint>
#include <span>

constexpr int32_t MMCMD_TEMPO = 1;
constexpr int32_t MMCMD_CHANNEL = 2;
constexpr int32_t MMCMD_DELAY = 3;
constexpr int32_t MMCMD_CLOCK = 4;
constexpr int32_t MMCMD_KEYSHIFT = 11;
constexpr int32_t MMCMD_OCTAVE = 12;
constexpr int32_t MMCMD_VELOCITY = 13;
constexpr int32_t MMCMD_OFFVELOCITY = 14;
constexpr int32_t MMCMD_STEP = 15;
constexpr int32_t MMCMD_GATERATIO = 16;
constexpr int32_t MMCMD_GATE = 17;
constexpr int32_t MMCMD_PROGRAM = 21;
constexpr int32_t MMCMD_PITCH = 22;
constexpr int32_t MMCMD_CAF = 23;
constexpr int32_t MMCMD_CAFPRES = 24;
constexpr int32_t MMCMD_CAFDELAY = 25;
constexpr int32_t MMCMD_PAF = 26;
constexpr int32_t MMCMD_PAFDELAY = 27;
constexpr int32_t MMCMD_PAFPRES = 28;
constexpr int32_t MMCMD_CC = 32;
// ccv:N is MMCMD_CCV + N for controller N.
constexpr int32_t MMCMD_CCV = 128;

struct MMcmdName {
    const char *name;
    int32_t code;
};

// Every command name with its code, sorted for MM_findName (base/name_table.h).
extern const std::span<const MMcmdName> MM_mmlCmdNames;
