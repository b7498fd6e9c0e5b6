#include "store/event_pool.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "store/event.h"

namespace {

constexpr size_t kGrain = 8;
constexpr size_t kLargestPooled = 256;     // bigger records get their own block
constexpr size_t kClasses = kLargestPooled / kGrain + 1;
constexpr size_t kFirstChunk = 4096;       // chunks double up to kLargestChunk
constexpr size_t kLargestChunk = 256 * 1024;

struct alignas(16) Chunk {
    Chunk *next;
};

// Heads a long record's own block; the blocks of a track form a list.
struct alignas(16) LargeBlock {
    LargeBlock *prev;
    LargeBlock *next;
};

size_t recordSize(uint32_t length)
{
    size_t size = std::max(sizeof(mmevt), offsetof(mmevt, data) + (size_t)length);
    return (size + kGrain - 1) & ~(kGrain - 1);
}

int64_t workOf(uint32_t length) { return (int64_t)length + MM_EVENT_WORK; }

}  // namespace

struct mmevtPool {
    Chunk *chunks;
    uint32_t chunkCount;
    char *unused;             // unused tail of the newest chunk
    char *end;
    mmevt *freeLists[kClasses];
    size_t live;              // pooled records handed out and not yet returned
    LargeBlock *large;
    int64_t work;             // work size of all records held
};

namespace {

bool addChunk(mmevtPool *pool, size_t need)
{
    size_t size = std::min(kLargestChunk, kFirstChunk << std::min<uint32_t>(pool->chunkCount, 16));
    size = std::max(size, sizeof(Chunk) + need);
    Chunk *chunk = (Chunk *)malloc(size);
    if (!chunk) return false;
    chunk->next = pool->chunks;
    pool->chunks = chunk;
    ++pool->chunkCount;
    pool->unused = (char *)(chunk + 1);
    pool->end = (char *)chunk + size;
    return true;
}

void freeChunks(mmevtPool *pool)
{
    while (Chunk *chunk = pool->chunks) {
        pool->chunks = chunk->next;
        free(chunk);
    }
    pool->chunkCount = 0;
    pool->unused = pool->end = nullptr;
}

// With no pooled record left, a single chunk is kept for the next ones (in
// file mode every record is freed right after it is written); more are
// released.
void empty(mmevtPool *pool)
{
    memset(pool->freeLists, 0, sizeof pool->freeLists);
    if (pool->chunkCount == 1) {
        pool->unused = (char *)(pool->chunks + 1);
        return;
    }
    freeChunks(pool);
}

mmevt *allocLarge(mmevtPool *pool, size_t size)
{
    LargeBlock *block = (LargeBlock *)calloc(1, sizeof(LargeBlock) + size);
    if (!block) return nullptr;
    block->next = pool->large;
    if (pool->large) pool->large->prev = block;
    pool->large = block;
    return (mmevt *)(block + 1);
}

void freeLarge(mmevtPool *pool, mmevt *record)
{
    LargeBlock *block = (LargeBlock *)record - 1;
    if (block->prev) block->prev->next = block->next; else pool->large = block->next;
    if (block->next) block->next->prev = block->prev;
    free(block);
}

mmevt *allocPooled(mmevtPool *pool, size_t size)
{
    mmevt *&freeList = pool->freeLists[size / kGrain];
    mmevt *record = freeList;
    if (record) {
        freeList = record->next;
    } else {
        if ((size_t)(pool->end - pool->unused) < size && !addChunk(pool, size)) return nullptr;
        record = (mmevt *)pool->unused;
        pool->unused += size;
    }
    // Most records fit the header's own size; a constant-size clear is a few
    // stores where a variable one is a slow string instruction.
    memset((void *)record, 0, sizeof(mmevt));
    if (size > sizeof(mmevt)) memset((char *)record + sizeof(mmevt), 0, size - sizeof(mmevt));
    ++pool->live;
    return record;
}

}  // namespace

mmevt *MMpool_alloc(mmtrk *track, uint32_t length)
{
    mmevtPool *pool = track->eventPool;
    if (!pool) {
        pool = track->eventPool = (mmevtPool *)calloc(1, sizeof(mmevtPool));
        if (!pool) return nullptr;
    }
    size_t size = recordSize(length);
    mmevt *record = size > kLargestPooled ? allocLarge(pool, size) : allocPooled(pool, size);
    if (record) pool->work += workOf(length);
    return record;
}

void MMpool_free(mmtrk *track, mmevt *record)
{
    mmevtPool *pool = track->eventPool;
    pool->work -= workOf(record->length);
    size_t size = recordSize(record->length);
    if (size > kLargestPooled) {
        freeLarge(pool, record);
        return;
    }
    mmevt *&freeList = pool->freeLists[size / kGrain];
    record->next = freeList;
    freeList = record;
    if (--pool->live == 0) empty(pool);
}

int64_t MMpool_release(mmtrk *track)
{
    mmevtPool *pool = track->eventPool;
    if (!pool) return 0;
    while (LargeBlock *block = pool->large) {
        pool->large = block->next;
        free(block);
    }
    freeChunks(pool);
    int64_t work = pool->work;
    free(pool);
    track->eventPool = nullptr;
    return work;
}
