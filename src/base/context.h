// The compiler context: the one home of all compile state. There is exactly
// one, MM_ctx, zero-filled at process start and set to its defaults by the
// compile start-up.
#pragma once
#include <cstdint>
#include <cstdio>

struct mmtrk;
struct MMacRec;
struct PatternGroup;
struct MMreadFiles;
struct MMtrackIndex;

constexpr int MM_TRACK_BUCKETS = 16;
constexpr int MM_WORK_SLOTS = 8;
constexpr int MM_MAX_SOURCES = 15;   // source files open at once
constexpr int MM_MAX_IFS = 32;       // conditional states per source file
constexpr int MM_LINE_SIZE = 16384;  // raw and expanded line buffers
constexpr int MM_MACRO_BUCKETS = 256;
constexpr int MM_PATTERN_BUCKETS = 32;
constexpr int MM_PATH_SIZE = 260;
constexpr int MM_DIR_SIZE = 256;
constexpr int MM_TEXT_SIZE = 256;    // title, copyright
constexpr int MM_ERRBUF_SIZE = 512;
constexpr int MM_LETTERS = 26;

// One open file of the source stack.
struct SourceFile {
    FILE *fp;
    char name[MM_DIR_SIZE];
    int32_t line;
    int32_t ifCount;
    int32_t ifLevel;
    uint32_t ifState[MM_MAX_IFS];
    uint8_t encoding;         // MM_ENC_UTF8 or MM_ENC_SJIS: how its lines are read now
    uint8_t encodingFound;    // set by the command line or by a line that is no UTF-8
    long consumed;            // bytes read from fp so far
};

struct mmctx {
    int32_t trackCount;
    mmtrk *trackBuckets[MM_TRACK_BUCKETS];
    MMtrackIndex *trackIndex; // the tracks by number and by name, owned by store/track
    mmtrk *ctrlTrack;
    int32_t cmdMap[MM_LETTERS];
    uint32_t ended;           // `.end` was read: the compile loop closes the song
    int32_t division;
    uint32_t tempoWritten;
    uint32_t tempo;
    uint32_t curTempo;
    uint32_t signatureWritten;
    uint8_t signature[4];     // numerator, denominator exponent, clocks per click, 32nds per quarter
    uint8_t curSignature[4];
    uint32_t measureClock;
    uint32_t maxTrackClock;
    int32_t measureCount;
    uint32_t workMode;        // 0 = memory, 1 = work files
    uint32_t workCounter;
    uint32_t workNextNumber;  // where the search for a free work-file name goes on
    mmtrk *workSlots[MM_WORK_SLOTS];
    char workPath[MM_DIR_SIZE];
    char sourceName[MM_PATH_SIZE];
    char outputName[MM_PATH_SIZE];
    char errPath[MM_PATH_SIZE];
    char msgPath[MM_PATH_SIZE];
    char rollPath[MM_PATH_SIZE]; // piano roll (SVG) written beside the MIDI file, empty for none
    FILE *outFile;
    FILE *errFile;
    FILE *msgFile;
    int32_t fileDepth;
    SourceFile fileStack[MM_MAX_SOURCES];
    MMreadFiles *readFiles;   // every file read so far (base/files_read), null until the first
    uint8_t sourceEncoding;   // -encoding: MM_ENC_AUTO, or the encoding of every source file
    uint8_t lineUtf8;         // the current line came from a file read as UTF-8
    char rawLine[MM_LINE_SIZE];
    char lineBuf[MM_LINE_SIZE];
    MMacRec *macros[MM_MACRO_BUCKETS];
    int32_t macroNest;        // text-macro expansions in progress
    PatternGroup *patterns[MM_PATTERN_BUCKETS];
    int32_t patternNest;      // pattern calls in progress
    char title[MM_TEXT_SIZE];
    char copyright[MM_TEXT_SIZE];
    // The six message flags lie together in this order; the printer reads them here.
    uint8_t console;
    uint8_t scnMsg;
    uint8_t mppMsg;
    uint8_t dumpMsg;
    uint8_t remarkMsg;
    uint8_t debugMsg;
    uint32_t lineClean;       // the console cursor stands at the start of a fresh line
    uint8_t noWarn;           // -noWarn: warnings are not printed
    uint8_t diagGnu;          // -diag gnu: errors and warnings as FILE:LINE:COLUMN for editors
    char errBuf[MM_ERRBUF_SIZE];
    const char *errMsg;       // pending error message, null when none
    const char *errPoint;     // where in the current line the failing command began
    int32_t workSize;         // counted storage in use, in the figures users see
};

extern mmctx MM_ctx;
