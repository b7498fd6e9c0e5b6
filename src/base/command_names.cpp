#include "base/command_names.h"

#include <array>
#include "base/name_table.h"

namespace {

constexpr std::array<MMcmdName, 32> kNames = {{
    {"caf", MMCMD_CAF},
    {"cafdelay", MMCMD_CAFDELAY},
    {"cafpres", MMCMD_CAFPRES},
    {"cc", MMCMD_CC},
    {"cd", MMCMD_CAFDELAY},
    {"ch", MMCMD_CHANNEL},
    {"clock", MMCMD_CLOCK},
    {"d", MMCMD_DELAY},
    {"delay", MMCMD_DELAY},
    {"g", MMCMD_GATE},
    {"gate", MMCMD_GATE},
    {"gateper", MMCMD_GATERATIO},
    {"gp", MMCMD_GATERATIO},
    {"k", MMCMD_KEYSHIFT},
    {"keyshift", MMCMD_KEYSHIFT},
    {"o", MMCMD_OCTAVE},
    {"octave", MMCMD_OCTAVE},
    {"offvel", MMCMD_OFFVELOCITY},
    {"ov", MMCMD_OFFVELOCITY},
    {"p", MMCMD_PITCH},
    {"paf", MMCMD_PAF},
    {"pafdelay", MMCMD_PAFDELAY},
    {"pafpres", MMCMD_PAFPRES},
    {"pg", MMCMD_PROGRAM},
    {"pitch", MMCMD_PITCH},
    {"prog", MMCMD_PROGRAM},
    {"s", MMCMD_STEP},
    {"step", MMCMD_STEP},
    {"t", MMCMD_TEMPO},
    {"tempo", MMCMD_TEMPO},
    {"v", MMCMD_VELOCITY},
    {"vel", MMCMD_VELOCITY},
}};
static_assert(MM_namesSorted(kNames));

}  // namespace

const std::span<const MMcmdName> MM_mmlCmdNames{kNames};
