// The bilingual message table. Japanese texts are kept in UTF-8 in the code
// and printed in the user's encoding: UTF-8 when the locale's codeset is
// UTF-8, else Shift-JIS.
#include "base/message_table.h"

#include <array>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <map>
#include <string>

namespace {

struct MessageRow {
    MMmsgId id;             // the row's own id; kRows must hold them in enum order
    const char *english;
    const char *japanese;   // UTF-8 here; printed in the user's encoding
};

constexpr std::array<MessageRow, MSG_COUNT> kRows{{
    {MSG_OUT_OF_MEMORY, "Out of memory!", "メモリ不足です。"},
    {MSG_MML_SYNTAX, "MML syntax error!", "MML の書式に誤りがあります。"},
    {MSG_TOO_LONG_MACRO_NAME, "Too long macro name!", "マクロ名が長すぎます。"},
    {MSG_TEMPO_WITHOUT_CTRL, "Can't change tempo without \"CTRL\" track!", "テンポの変更は \"CTRL\" トラック以外では行えません。"},
    {MSG_EOF_ENCOUNTERED, "EOF encountered", "処理中にEOFを発見しました。"},
    {MSG_EOF_IN_IF, "EOF encountered within #if construct!", "'#if～'処理中にEOFを発見しました。"},
    {MSG_FILE_NAME_IDENT, "File name must be identifier!", "ファイル名の指定に誤りがあります。"},
    {MSG_FILE_OPEN, "File open error!", "ファイルを開けませんでした。"},
    {MSG_TOO_MANY_FILES, "Too many file open!", "これ以上ファイルは開けません。"},
    {MSG_MACRO_NAME_IDENT, "Macro name must be identifier!", "マクロ名に誤りがあります。"},
    {MSG_NAME_TEMPO, "Tempo", "テンポ"},
    {MSG_NAME_CHANNEL, "MIDI channel", "MIDIチャンネル"},
    {MSG_NAME_DELAY, "Delay", "ディレイ"},
    {MSG_NAME_CLOCK, "Clock", "クロック"},
    {MSG_NAME_KEYSHIFT, "Key shift", "キーシフト"},
    {MSG_NAME_OCTAVE, "Octave", "オクターブ"},
    {MSG_NAME_VELOCITY, "Velocity", "ベロシティ"},
    {MSG_NAME_OFFVEL, "Off velocity", "オフベロシティ"},
    {MSG_NAME_STEP, "Steptime", "ステップタイム"},
    {MSG_NAME_GATERATIO, "Gatetime ratio", "ゲートタイム比率"},
    {MSG_NAME_GATE, "Gatetime", "ゲートタイム"},
    {MSG_NAME_PROGRAM, "Program change", "プログラムチェンジ"},
    {MSG_NAME_PITCH, "Pitchbend", "ピッチベンド"},
    {MSG_SOURCE_FILENAME, "source filename \"%s\"", "入力ファイル名  \"%s\""},
    {MSG_ERROR_POINT, "error point --> %s", "エラー箇所 --> %s"},
    {MSG_COMPILE_START, "compile start : %s", "コンパイル開始: %s"},
    {MSG_COMPILE_END, "compile end   : %s", "コンパイル終了: %s"},
    {MSG_COMPILE_TIME, "compile time  : %s", "コンパイル時間: %s"},
    {MSG_TIME_LONG, "%4ld sec (%2ld:%02ld)", "%4ld 秒 （%2ld 分  %2ld 秒）"},
    {MSG_TIME_SHORT, "%4ld sec", "%4ld 秒"},
    {MSG_WORKSIZE, "Using worksize %s", "ワークサイズ %s"},
    {MSG_ZYL_NOT_FOUND, "ZYL program file '%s' not found!", "ZYL プログラムファイル '%s' がありません。"},
    {MSG_REDEFINING, "Redefining defined variable \"%s\"", "指定のマクロ \"%s\" は既に定義されています。"},
    {MSG_CANT_UNDEFINE, "Can't undefine variable \"%s\"", "指定のマクロ \"%s\" は解除できません。"},
    {MSG_TABLE_ERROR, "Table error!", "テーブルの指定に誤りがあります。"},
    {MSG_OVER_TABLE, "Over table number!", "テーブル数を越えました。"},
    {MSG_OFFSETTER_ERROR, "%s offsetter error!", "%s・オフセッタの指定に誤りがあります。"},
    {MSG_PARAMETER_ERROR, "%s parameter error!", "%s・パラメータの指定に誤りがあります。"},
    {MSG_NAME_CONTROL, "Control change (%3d)", "コントロールチェンジ(%3d)"},
    {MSG_PROGRESS, "$ clock %8u, meas %4d, signature (%2d/%-2d), worksize %s ", "$ クロック %8u, 小節 %4d, 拍子 (%2d/%-2d), ワークサイズ %s "},
    {MSG_UNKNOWN_TRACK_MACRO, "Unknown track macro '%s'", "指定のトラックマクロ '%s' は使われていません。"},
    {MSG_UNKNOWN_COMMAND_CHAR, "Unknown command charactor '%.*s'", "指定の文字 '%.*s' は命令にはありません。"},
    {MSG_STEPTIME_IDENT, "Steptime must be identifier!", "ステップタイムの指定に誤りがあります。"},
    {MSG_NOTE_OPTION, "Note-on option error!", "ノートオン・オプションの指定に誤りがあります。"},
    {MSG_NOTE_RANGE, "Note range error!", "音程が制限範囲を越えています。"},
    {MSG_NOTE_STEPTIME, "Note-on steptime error!", "ノートオン・ステップタイムの指定に誤りがあります。"},
    {MSG_NOTE_GATETIME, "Note-on gatetime error!", "ノートオン・ゲートタイムの指定に誤りがあります。"},
    {MSG_TUPLET_NEST, "'{...}' Nest error!", "連付の指定に誤りがあります（ネストはできません）。"},
    {MSG_TUPLET_SYNTAX, "'{...}' Syntax error!", "連付の指定に誤りがあります。"},
    {MSG_PIN_COMMAND, "(!) Pin command error!%s", "(!) ピンコマンドの指定に誤りがあります。%s"},
    {MSG_UNKNOWN_PIN, "Unknown pin number (!)%d", "未定義のピン番号です。(!)%d"},
    {MSG_SETTER_COMMAND, "(?) Setter command error!%s", "(?) セッタコマンドの指定に誤りがあります。%s"},
    {MSG_UNKNOWN_SETTER, "Unknown setter number (?)%d", "未定義のセッタ番号です。(?)%d"},
    {MSG_OFFSETTER_COMMAND, "(?#) Offsetter command error!%s", "(?#) オフセッタコマンドの指定に誤りがあります。%s"},
    {MSG_UNKNOWN_OFFSETTER, "Unknown offsetter number (?#)%d", "未定義のオフセッタ番号です。(?#)%d"},
    {MSG_OPTIMIZING, "Optimizing...", "最適化作業中..."},
    {MSG_OPTIMIZE_FLAG, "Optimize flag error!", "最適化フラグの指定に誤りがあります。"},
    {MSG_OPTIMIZE_COMMAND, "Optimize command error!", "最適化コマンドの指定に誤りがあります。"},
    {MSG_OUTPUT_FILENAME, "output filename \"%s\"", "出力ファイル名  \"%s\""},
    {MSG_TRACK_ZYL_CALL, "Track zyl call error!", "ZYL 関数の呼び出しに誤りがあります。"},
}};

// Exactly one row per id, in enum order, each with both texts: a missing, extra
// or misplaced row fails here instead of printing the wrong text or a null.
constexpr bool rowsMatchIds()
{
    for (int i = 0; i < MSG_COUNT; ++i) {
        const MessageRow &row = kRows[i];
        if (row.id != i || !row.english || !row.japanese) return false;
    }
    return true;
}

static_assert(rowsMatchIds(), "kRows must hold one row per MMmsgId, in enum order");

}  // namespace

const char *MM_text(MMmsgId id)
{
    const MessageRow &row = kRows[id];
    return MM_language() == 1 ? MM_localText(row.japanese) : row.english;
}

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
