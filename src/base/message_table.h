// The bilingual message table: each row is an English and a Japanese text.
// Code that reports or prints a row takes the text of the current language.
#pragma once

// message_table.cpp holds one row per id, in this order; a static_assert
// there fails the build when a row is missing, extra or out of place.
enum MMmsgId : int {
    MSG_OUT_OF_MEMORY,
    MSG_MML_SYNTAX,
    MSG_TOO_LONG_MACRO_NAME,
    MSG_TEMPO_WITHOUT_CTRL,
    MSG_EOF_ENCOUNTERED,
    MSG_EOF_IN_IF,
    MSG_FILE_NAME_IDENT,
    MSG_FILE_OPEN,
    MSG_TOO_MANY_FILES,
    MSG_MACRO_NAME_IDENT,
    MSG_NAME_TEMPO,
    MSG_NAME_CHANNEL,
    MSG_NAME_DELAY,
    MSG_NAME_CLOCK,
    MSG_NAME_KEYSHIFT,
    MSG_NAME_OCTAVE,
    MSG_NAME_VELOCITY,
    MSG_NAME_OFFVEL,
    MSG_NAME_STEP,
    MSG_NAME_GATERATIO,
    MSG_NAME_GATE,
    MSG_NAME_PROGRAM,
    MSG_NAME_PITCH,
    MSG_SOURCE_FILENAME,
    MSG_ERROR_POINT,
    MSG_COMPILE_START,
    MSG_COMPILE_END,
    MSG_COMPILE_TIME,
    MSG_TIME_LONG,
    MSG_TIME_SHORT,
    MSG_WORKSIZE,
    MSG_ZYL_NOT_FOUND,
    MSG_REDEFINING,
    MSG_CANT_UNDEFINE,
    MSG_TABLE_ERROR,
    MSG_OVER_TABLE,
    MSG_OFFSETTER_ERROR,
    MSG_PARAMETER_ERROR,
    MSG_NAME_CONTROL,
    MSG_PROGRESS,
    MSG_UNKNOWN_TRACK_MACRO,
    MSG_UNKNOWN_COMMAND_CHAR,
    MSG_STEPTIME_IDENT,
    MSG_NOTE_OPTION,
    MSG_NOTE_RANGE,
    MSG_NOTE_STEPTIME,
    MSG_NOTE_GATETIME,
    MSG_TUPLET_NEST,
    MSG_TUPLET_SYNTAX,
    MSG_PIN_COMMAND,
    MSG_UNKNOWN_PIN,
    MSG_SETTER_COMMAND,
    MSG_UNKNOWN_SETTER,
    MSG_OFFSETTER_COMMAND,
    MSG_UNKNOWN_OFFSETTER,
    MSG_OPTIMIZING,
    MSG_OPTIMIZE_FLAG,
    MSG_OPTIMIZE_COMMAND,
    MSG_OUTPUT_FILENAME,
    MSG_TRACK_ZYL_CALL,
    MSG_COUNT
};

// The row's text in the current language, in the user's encoding (UTF-8, or
// Shift-JIS when the locale's codeset is not UTF-8).
const char *MM_text(MMmsgId id);

// Converts a UTF-8 text kept in the code to the user's encoding; the result
// lives until the program ends.
const char *MM_localText(const char *utf8);

// 0 English, 1 Japanese.
void MM_setLanguage(int language);
int MM_language();
