// Japanese texts are kept in UTF-8 in the code and printed in the user's
// encoding: UTF-8 when the locale's codeset is UTF-8, else Shift-JIS.
#include "base/message_table.h"

#include <iconv.h>
#include <langinfo.h>
#include <clocale>
#include <cstring>
#include <map>
#include <string>

namespace {

int gLanguage = 0;

bool localeIsUtf8()
{
    static const bool utf8 = [] {
        const char *saved = setlocale(LC_CTYPE, nullptr);
        std::string keep = saved ? saved : "C";
        setlocale(LC_CTYPE, "");
        const char *codeset = nl_langinfo(CODESET);
        bool isUtf8 = codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
        setlocale(LC_CTYPE, keep.c_str());
        return isUtf8;
    }();
    return utf8;
}

std::string toShiftJis(const char *utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == (iconv_t)-1) return utf8;
    std::string out(strlen(utf8) * 2 + 1, '\0');
    char *in = const_cast<char *>(utf8);
    size_t inLeft = strlen(utf8);
    char *dst = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == (size_t)-1) return utf8;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

void MM_setLanguage(int language) { gLanguage = language; }
int MM_language() { return gLanguage; }

const char *MM_localText(const char *utf8)
{
    if (localeIsUtf8()) return utf8;
    // Texts are few and fixed; each is converted once.
    static std::map<const char *, std::string> converted;
    auto it = converted.find(utf8);
    if (it == converted.end()) it = converted.emplace(utf8, toShiftJis(utf8)).first;
    return it->second.c_str();
}
