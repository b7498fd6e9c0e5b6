#include "store/param_table.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "base/command_names.h"

namespace {

constexpr MMrange kTempo{MM_TEMPO_MIN, MM_TEMPO_MAX};
constexpr MMrange kOctave{MM_OCTAVE_MIN, MM_OCTAVE_MAX};
constexpr MMrange kPitch{MM_PITCH_MIN, MM_PITCH_MAX};
constexpr MMrange kVelocity{1, 127};
constexpr MMrange kProgram{1, 128};
constexpr MMrange k7Bit{0, 127};
constexpr MMrange kOffset7Bit{-127, 127};
constexpr MMrange kClocks{0, 65535};               // step and gate times
constexpr MMrange kOffsetClocks{-65535, 65535};
constexpr MMrange kDelay{-32768, 32767};
constexpr MMrange kAftertouchDelay{0, 32767};

// An offsetter that can carry a value from one end of its range to the other.
constexpr MMrange across(MMrange range) { return {range.lo - range.hi, range.hi - range.lo}; }

// The registers take a gate-time ratio up to 1000 percent, the setter up to
// 10000; pins take aftertouch delays up to 65535, the setters up to 32767;
// letter offsetters are narrower than register offsetters for delay, key
// shift and octave.
constexpr std::array<MMparamRow, MMP_COUNT> kRows{{
    //              clamped value             setterItem        pinItem      letterOffset     offsetterItem
    {MMP_TEMPO,     false,  kTempo,           kTempo,           kTempo,      across(kTempo),  across(kTempo)},
    {MMP_OCTAVE,    false,  kOctave,          kOctave,          kOctave,     across(kOctave), {-20, 20}},
    {MMP_DELAY,     false,  kDelay,           kDelay,           kDelay,      {-32767, 32767}, kOffsetClocks},
    {MMP_KEYSHIFT,  false,  kOffset7Bit,      kOffset7Bit,      kOffset7Bit, kOffset7Bit,     {-255, 255}},
    {MMP_VELOCITY,  true,   kVelocity,        kVelocity,        kVelocity,   kOffset7Bit,     kOffset7Bit},
    {MMP_OFFVEL,    true,   k7Bit,            k7Bit,            k7Bit,       kOffset7Bit,     kOffset7Bit},
    {MMP_STEP,      false,  kClocks,          kClocks,          kClocks,     kOffsetClocks,   kOffsetClocks},
    {MMP_GATE,      false,  kClocks,          kClocks,          kClocks,     kOffsetClocks,   kOffsetClocks},
    {MMP_GATERATIO, false,  {1, 10000},       {1, 1000},        {1, 1000},   {-1000, 1000},   {-1000, 1000}},
    {MMP_PROGRAM,   false,  kProgram,         kProgram,         kProgram,    kOffset7Bit,     kOffset7Bit},
    {MMP_PITCH,     true,   kPitch,           kPitch,           kPitch,      across(kPitch),  across(kPitch)},
    {MMP_CAFPRES,   true,   k7Bit,            k7Bit,            k7Bit,       kOffset7Bit,     kOffset7Bit},
    {MMP_PAFPRES,   true,   k7Bit,            k7Bit,            k7Bit,       kOffset7Bit,     kOffset7Bit},
    {MMP_CAFDELAY,  false,  kAftertouchDelay, kAftertouchDelay, {0, 65535},  kOffsetClocks,   kOffsetClocks},
    {MMP_PAFDELAY,  false,  kAftertouchDelay, kAftertouchDelay, {0, 65535},  kOffsetClocks,   kOffsetClocks},
}};

constexpr bool inKeyOrder()
{
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].param != (MMparam)i) return false;
    return true;
}
static_assert(inKeyOrder());

struct CodeParam {
    int32_t code;
    MMparam param;
};

// The letter commands and the register items number the parameters alike
// but for the polyphonic aftertouch: letter code 27 is the delay and 28 the
// pressure (`pafdelay`, `pafpres`), item kind 27 the pressure and 28 the
// delay (`pafpres:`, `pafdelay:`). Each numbering is right for the names
// that lead to it; the codes are not interchangeable.
static_assert(MMCMD_PAFDELAY == 27 && MMCMD_PAFPRES == 28);
static_assert(MMI_PAFPRES == 27 && MMI_PAFDELAY == 28);

constexpr CodeParam kCommandParams[] = {
    {MMCMD_TEMPO, MMP_TEMPO},       {MMCMD_DELAY, MMP_DELAY},         {MMCMD_KEYSHIFT, MMP_KEYSHIFT},
    {MMCMD_OCTAVE, MMP_OCTAVE},     {MMCMD_VELOCITY, MMP_VELOCITY},   {MMCMD_OFFVELOCITY, MMP_OFFVEL},
    {MMCMD_STEP, MMP_STEP},         {MMCMD_GATERATIO, MMP_GATERATIO}, {MMCMD_GATE, MMP_GATE},
    {MMCMD_PROGRAM, MMP_PROGRAM},   {MMCMD_PITCH, MMP_PITCH},         {MMCMD_CAF, MMP_CAFPRES},
    {MMCMD_CAFPRES, MMP_CAFPRES},   {MMCMD_CAFDELAY, MMP_CAFDELAY},   {MMCMD_PAF, MMP_PAFPRES},
    {MMCMD_PAFDELAY, MMP_PAFDELAY}, {MMCMD_PAFPRES, MMP_PAFPRES},
};

constexpr CodeParam kItemParams[] = {
    {MMI_TEMPO, MMP_TEMPO},       {MMI_DELAY, MMP_DELAY},         {MMI_KEYSHIFT, MMP_KEYSHIFT},
    {MMI_OCTAVE, MMP_OCTAVE},     {MMI_VELOCITY, MMP_VELOCITY},   {MMI_OFFVEL, MMP_OFFVEL},
    {MMI_STEP, MMP_STEP},         {MMI_GATERATIO, MMP_GATERATIO}, {MMI_GATE, MMP_GATE},
    {MMI_PROGRAM, MMP_PROGRAM},   {MMI_PITCH, MMP_PITCH},         {MMI_CAF, MMP_CAFPRES},
    {MMI_CAFPRES, MMP_CAFPRES},   {MMI_CAFDELAY, MMP_CAFDELAY},   {MMI_PAF, MMP_PAFPRES},
    {MMI_PAFPRES, MMP_PAFPRES},   {MMI_PAFDELAY, MMP_PAFDELAY},
};

template <std::size_t N> constexpr int32_t largestCode(const CodeParam (&list)[N])
{
    int32_t largest = 0;
    for (const CodeParam &entry : list) largest = std::max(largest, entry.code);
    return largest;
}

// The lists above become arrays indexed by code.
constexpr int32_t kLastCode = std::max(largestCode(kCommandParams), largestCode(kItemParams));
using CodeIndex = std::array<MMparam, kLastCode + 1>;

template <std::size_t N> constexpr CodeIndex byCode(const CodeParam (&list)[N])
{
    CodeIndex index{};
    for (MMparam &param : index) param = MMP_COUNT;
    for (const CodeParam &entry : list) index[(std::size_t)entry.code] = entry.param;
    return index;
}

constexpr CodeIndex kByCommand = byCode(kCommandParams);
constexpr CodeIndex kByItem = byCode(kItemParams);

MMparam lookUp(const CodeIndex &index, int32_t code)
{
    return code >= 0 && code <= kLastCode ? index[(std::size_t)code] : MMP_COUNT;
}

}  // namespace

const MMparamRow &MMparam_row(MMparam param) { return kRows[param]; }

MMparam MMparam_ofCommand(int32_t code) { return lookUp(kByCommand, code); }

MMparam MMparam_ofItem(int32_t kind) { return lookUp(kByItem, kind); }
