#include "decl/track_decl.h"

#include <array>
#include <cctype>
#include <cstring>

#include "base/limits.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/paths.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

struct TrackSetting {
    const char *name;
    uint32_t port;
    uint32_t channel;
};

// A quoted word may carry blanks behind its value; anything else is a fault.
bool wordEnds(const char *cursor)
{
    MM_skipBlanks(&cursor);
    return *cursor == '\0';
}

bool setPort(TrackSetting *setting, const char *value)
{
    const char *cursor = value;
    MM_skipBlanks(&cursor);
    bool letter = isalpha((unsigned char)*cursor);
    int port = MM_getPort(&cursor);
    if (port < 0) return false;
    // The parser leaves a port letter unread.
    if (letter) ++cursor;
    if (!wordEnds(cursor)) return false;
    setting->port = (uint32_t)port;
    return true;
}

bool setChannel(TrackSetting *setting, const char *value)
{
    const char *cursor = value;
    int channel = MM_getChannel(&cursor);
    if (channel < 0 || !wordEnds(cursor)) return false;
    setting->channel = (uint32_t)channel;
    return true;
}

bool setMacro(TrackSetting *setting, const char *value)
{
    if (*value == '\0') return false;
    setting->name = value;
    return true;
}

struct WordKey {
    const char *key;
    bool (*apply)(TrackSetting *setting, const char *value);
};

// Keys are matched as case-insensitive prefixes of a word.
constexpr std::array<WordKey, 3> kWordKeys{{
    {"ch:", setChannel},
    {"macro:", setMacro},
    {"port:", setPort},
}};

bool applyWord(TrackSetting *setting, const char *word)
{
    for (const WordKey &key : kWordKeys) {
        int length = (int)strlen(key.key);
        if (MM_wordNCmp(word, key.key, length) == 0) return key.apply(setting, word + length);
    }
    return false;
}

}  // namespace

int MMctl_track(mmctx *ctx, const char *text)
{
    int32_t number = 0;
    if (MM_getNum(&number, &text) < 0 || number < MM_TRACK_NUMBER_MIN) return MM_setErr(ctx, "Track setting error!");

    char **words = nullptr;
    int count = MM_splitWords(text, &words);
    TrackSetting setting{nullptr, 0, MM_TRACK_DEFAULT_CHANNEL};
    bool valid = count > 0;
    for (int i = 0; valid && i < count; ++i) valid = applyWord(&setting, words[i]);
    int result = -1;
    if (!valid || !setting.name)
        MM_setErr(ctx, "Track setting error!");
    else
        result = MMtrk_create(ctx, (uint32_t)number, setting.name, setting.port, setting.channel);
    if (count > 0) MM_freeWords(count, words);
    return result;
}
