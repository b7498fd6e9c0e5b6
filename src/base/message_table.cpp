#include "base/message_table.h"

#include <array>

namespace {

struct MessageRow {
    const char *english;
    const char *japanese;   // UTF-8 here; printed in the user's encoding
};

constexpr std::array<MessageRow, MSG_COUNT> kRows{{
    {"Out of memory!", "メモリ不足です。"},
    {"MML syntax error!", "MML の書式に誤りがあります。"},
    {"Too long macro name!", "マクロ名が長すぎます。"},
    {"Can't change tempo without \"CTRL\" track!", "テンポの変更は \"CTRL\" トラック以外では行えません。"},
    {"EOF encountered", "処理中にEOFを発見しました。"},
    {"EOF encountered within #if construct!", "'#if～'処理中にEOFを発見しました。"},
    {"File name must be identifier!", "ファイル名の指定に誤りがあります。"},
    {"File open error!", "ファイルを開けませんでした。"},
    {"Too many file open!", "これ以上ファイルは開けません。"},
    {"Macro name must be identifier!", "マクロ名に誤りがあります。"},
    {"Tempo", "テンポ"},
    {"MIDI channel", "MIDIチャンネル"},
    {"Delay", "ディレイ"},
    {"Clock", "クロック"},
    {"Key shift", "キーシフト"},
    {"Octave", "オクターブ"},
    {"Velocity", "ベロシティ"},
    {"Off velocity", "オフベロシティ"},
    {"Steptime", "ステップタイム"},
    {"Gatetime ratio", "ゲートタイム比率"},
    {"Gatetime", "ゲートタイム"},
    {"Program change", "プログラムチェンジ"},
    {"Pitchbend", "ピッチベンド"},
    {"source filename \"%s\"", "入力ファイル名  \"%s\""},
    {"error point --> %s", "エラー箇所 --> %s"},
    {"compile start : %s", "コンパイル開始: %s"},
    {"compile end   : %s", "コンパイル終了: %s"},
    {"compile time  : %s", "コンパイル時間: %s"},
    {"%4ld sec (%2ld:%02ld)", "%4ld 秒 （%2ld 分  %2ld 秒）"},
    {"%4ld sec", "%4ld 秒"},
    {"Using worksize %s", "ワークサイズ %s"},
    {"ZYL program file '%s' not found!", "ZYL プログラムファイル '%s' がありません。"},
    {"Redefining defined variable \"%s\"", "指定のマクロ \"%s\" は既に定義されています。"},
    {"Can't undefine variable \"%s\"", "指定のマクロ \"%s\" は解除できません。"},
    {"Table error!", "テーブルの指定に誤りがあります。"},
    {"Over table number!", "テーブル数を越えました。"},
    {"%s offsetter error!", "%s・オフセッタの指定に誤りがあります。"},
    {"%s parameter error!", "%s・パラメータの指定に誤りがあります。"},
    {"Control change (%3d)", "コントロールチェンジ(%3d)"},
    {"$ clock %8u, meas %4d, signature (%2d/%-2d), worksize %s ", "$ クロック %8u, 小節 %4d, 拍子 (%2d/%-2d), ワークサイズ %s "},
    {"Unknown track macro '%s'", "指定のトラックマクロ '%s' は使われていません。"},
    {"Unknown command charactor '%c'", "指定の文字 '%c' は命令にはありません。"},
    {"Steptime must be identifier!", "ステップタイムの指定に誤りがあります。"},
    {"Note-on option error!", "ノートオン・オプションの指定に誤りがあります。"},
    {"Note range error!", "音程が制限範囲を越えています。"},
    {"Note-on steptime error!", "ノートオン・ステップタイムの指定に誤りがあります。"},
    {"Note-on gatetime error!", "ノートオン・ゲートタイムの指定に誤りがあります。"},
    {"'{...}' Nest error!", "連付の指定に誤りがあります（ネストはできません）。"},
    {"'{...}' Syntax error!", "連付の指定に誤りがあります。"},
    {"(!) Pin command error!%s", "(!) ピンコマンドの指定に誤りがあります。%s"},
    {"Unknown pin number (!)%d", "未定義のピン番号です。(!)%d"},
    {"(?) Setter command error!%s", "(?) セッタコマンドの指定に誤りがあります。%s"},
    {"Unknown setter number (?)%d", "未定義のセッタ番号です。(?)%d"},
    {"(?#) Offsetter command error!%s", "(?#) オフセッタコマンドの指定に誤りがあります。%s"},
    {"Unknown offsetter number (?#)%d", "未定義のオフセッタ番号です。(?#)%d"},
    {"Optimizing...", "最適化作業中..."},
    {"Optimize flag error!", "最適化フラグの指定に誤りがあります。"},
    {"Optimize command error!", "最適化コマンドの指定に誤りがあります。"},
    {"output filename \"%s\"", "出力ファイル名  \"%s\""},
    {"Track zyl call error!", "ZYL 関数の呼び出しに誤りがあります。"},
}};

}  // namespace

const char *MM_text(MMmsgId id)
{
    const MessageRow &row = kRows[id];
    return MM_language() == 1 ? MM_localText(row.japanese) : row.english;
}
