#pragma once
// The tracking allocator every engine allocation goes through ("DBGMEM"): each block carries
// its length, the allocating module and line and a running sequence number, and a table of
// live blocks lets the leak report list what a script run left behind.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "script/trace.h"

namespace kestrel::script {

inline constexpr int kBlockTableSlots = 15000;
// The memory a script may hold at once unless the host says otherwise.
inline constexpr std::uint64_t kDefaultMemoryLimit = 256ull << 20;

// Thrown by an allocation that would take the memory in use past the limit; the run ends as
// at the engine's other limits.
struct MemoryLimitReached {
    std::uint64_t limit = 0;
};

struct BlockHeader {
    std::uint32_t length;    // bytes asked for
    std::int32_t line;       // the caller's source line
    std::uint32_t sequence;  // running block number, from 0
    const char* file;        // the caller's module tag ("variable", "tokenise", ...)
};

class TrackingAllocator {
public:
    explicit TrackingAllocator(Trace& trace);
    ~TrackingAllocator();  // returns every block still held to the heap, without a report
    TrackingAllocator(const TrackingAllocator&) = delete;
    TrackingAllocator& operator=(const TrackingAllocator&) = delete;

    // A block of length bytes. Every live block takes the first free slot of the table; when
    // all 15000 are taken the block still works but is not tracked: the leak report does not
    // list it, though freeing it returns it (a model of many vertices makes that many).
    void* allocate(const char* file, int line, std::size_t length);
    // Frees a block; one the allocator did not hand out, or that reset forgot, is reported and
    // left allocated.
    void free(void* block);
    // Forgets every tracked block (their memory stays with the allocator until it ends).
    void reset();
    // "Scanning for memory leaks:", a line per live block in slot order, then the count.
    void leakReport();
    // A zero-terminated copy of text in a new block.
    char* copyText(const char* file, int line, const char* text);

    // The most bytes the blocks in use may add up to; an allocation past it traces "too much
    // memory in use (limit is N bytes)" and throws MemoryLimitReached.
    std::uint64_t limit = kDefaultMemoryLimit;

    std::uint64_t allocatedBytes() const { return allocated; }
    std::uint64_t freedBytes() const { return freed; }
    std::uint64_t peakBytes() const { return peak; }
    std::uint32_t nextSequence() const { return sequence; }
    int liveBlocks() const { return static_cast<int>(slotOf.size()); }

private:
    int takeFirstFreeSlot();
    void releaseSlot(int slot);
    void markAllFree();
    template <typename Visit>
    void forEachTakenSlot(Visit visit) const;

    Trace& trace;
    std::vector<BlockHeader*> table;               // up to kBlockTableSlots entries, null when free
    std::unordered_map<BlockHeader*, int> slotOf;  // live tracked blocks
    std::unordered_set<BlockHeader*> overflow;     // live blocks handed out beyond the table
    std::unordered_set<BlockHeader*> forgotten;    // blocks reset forgot, freed when the allocator ends
    // Free slots as a two-level bitmap, so the first free slot is found in constant time.
    std::vector<std::uint64_t> freeWords;
    std::uint64_t freeSummary[4] = {};
    std::uint64_t allocated = 0, freed = 0, peak = 0;
    std::uint32_t sequence = 0;
};

}  // namespace kestrel::script
