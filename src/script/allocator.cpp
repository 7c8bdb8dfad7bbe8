#include "script/allocator.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace kestrel::script {

namespace {

// The header sits at the start of each heap block; the caller's address follows it, rounded
// up so that anything the engine keeps in a block (values, stores, objects) is aligned.
constexpr std::size_t kAlignment = alignof(std::max_align_t);
constexpr std::size_t kHeaderSize = (sizeof(BlockHeader) + kAlignment - 1) / kAlignment * kAlignment;

constexpr int kWordBits = 64;
constexpr int kFreeWordCount = (kBlockTableSlots + kWordBits - 1) / kWordBits;  // 235
constexpr int kSummaryWords = 4;
static_assert(kFreeWordCount <= kSummaryWords * kWordBits, "summary too small for the table");

// The bits of a bitmap word that stand for slots of the table (the last word is partly used).
std::uint64_t slotsOfWord(int word) {
    const int bits = std::min(kWordBits, kBlockTableSlots - word * kWordBits);
    return bits == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}

BlockHeader* headerOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - kHeaderSize);
}

void* blockOf(BlockHeader* header) { return reinterpret_cast<unsigned char*>(header) + kHeaderSize; }

}  // namespace

TrackingAllocator::TrackingAllocator(Trace& traceLog) : trace(traceLog), freeWords(kFreeWordCount, 0) { markAllFree(); }

TrackingAllocator::~TrackingAllocator() {
    forEachTakenSlot([this](int slot) { std::free(table[static_cast<std::size_t>(slot)]); });
    for (BlockHeader* header : overflow) std::free(header);
    for (BlockHeader* header : forgotten) std::free(header);
}

// A word at a time: engines are made and ended often (every test, every fuzz input), and the
// table is large.
void TrackingAllocator::markAllFree() {
    for (int word = 0; word < kFreeWordCount; ++word) {
        freeWords[static_cast<std::size_t>(word)] = slotsOfWord(word);
        freeSummary[word / kWordBits] |= std::uint64_t{1} << (word % kWordBits);
    }
}

// In slot order, visiting only the words of the bitmap that have a slot taken.
template <typename Visit>
void TrackingAllocator::forEachTakenSlot(Visit visit) const {
    if (slotOf.empty()) return;
    for (int word = 0; word < kFreeWordCount; ++word) {
        for (std::uint64_t taken = ~freeWords[static_cast<std::size_t>(word)] & slotsOfWord(word); taken;
             taken &= taken - 1)
            visit(word * kWordBits + std::countr_zero(taken));
    }
}

// The lowest free slot: the first non-empty summary word names the first word with a free
// slot, and that word's lowest set bit is the slot. Bits set mean free.
int TrackingAllocator::takeFirstFreeSlot() {
    for (int s = 0; s < kSummaryWords; ++s) {
        if (freeSummary[s] == 0) continue;
        const int word = s * kWordBits + std::countr_zero(freeSummary[s]);
        std::uint64_t& bits = freeWords[static_cast<std::size_t>(word)];
        const int bit = std::countr_zero(bits);
        bits &= bits - 1;
        if (bits == 0) freeSummary[s] &= ~(std::uint64_t{1} << (word % kWordBits));
        return word * kWordBits + bit;
    }
    return -1;
}

void TrackingAllocator::releaseSlot(int slot) {
    const int word = slot / kWordBits;
    freeWords[static_cast<std::size_t>(word)] |= std::uint64_t{1} << (slot % kWordBits);
    freeSummary[word / kWordBits] |= std::uint64_t{1} << (word % kWordBits);
}

void* TrackingAllocator::allocate(const char* file, int line, std::size_t length) {
    // The header keeps the length in 32 bits; a request it cannot describe is refused like
    // one the heap cannot meet.
    if (length > std::numeric_limits<std::uint32_t>::max() - kHeaderSize) throw std::bad_alloc();
    if (length > limit || allocated - freed > limit - length) {
        trace("too much memory in use (limit is %llu bytes)\n", static_cast<unsigned long long>(limit));
        throw MemoryLimitReached{limit};
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(length + kHeaderSize));
    if (!header) throw std::bad_alloc();

    allocated += length;
    if (allocated - freed > peak) peak = allocated - freed;

    header->length = static_cast<std::uint32_t>(length);
    header->line = line;
    header->sequence = sequence++;
    header->file = file;

    const int slot = takeFirstFreeSlot();
    if (slot < 0) {
        trace("DBGMEM: Maximum blocks exceded\n");
        overflow.insert(header);
    } else {
        // The table grows as far as the highest slot taken: most runs use a few hundred.
        if (static_cast<std::size_t>(slot) >= table.size())
            table.resize(std::min<std::size_t>(kBlockTableSlots, std::max<std::size_t>(slot + 1, 2 * table.size())));
        table[static_cast<std::size_t>(slot)] = header;
        slotOf.emplace(header, slot);
    }
    return blockOf(header);
}

// Only a block the allocator knows as live (in the table or beyond it) is freed and counted.
// Anything else (freed already, never ours, or forgotten by reset) is reported without
// touching its memory: a stale pointer's header is never read.
void TrackingAllocator::free(void* block) {
    if (!block) return;
    BlockHeader* header = headerOf(block);
    const auto found = slotOf.find(header);
    if (found == slotOf.end()) {
        if (overflow.erase(header)) {
            freed += header->length;
            std::free(header);
            return;
        }
        trace("ERROR: free invalid block\n");
        return;
    }
    const int slot = found->second;
    slotOf.erase(found);
    table[static_cast<std::size_t>(slot)] = nullptr;
    releaseSlot(slot);
    freed += header->length;
    std::free(header);
}

void TrackingAllocator::reset() {
    forEachTakenSlot([this](int slot) {
        BlockHeader*& header = table[static_cast<std::size_t>(slot)];
        forgotten.insert(header);
        header = nullptr;
    });
    slotOf.clear();
    markAllFree();
}

void TrackingAllocator::leakReport() {
    trace("Scanning for memory leaks:\n");
    int lost = 0;
    forEachTakenSlot([&](int slot) {
        const BlockHeader* header = table[static_cast<std::size_t>(slot)];
        ++lost;
        trace("block[%d], len=%d, allocated at '%s':line %d\n", static_cast<int>(header->sequence),
              static_cast<int>(header->length), header->file ? header->file : "", header->line);
    });
    if (lost)
        trace("Memory leaks detected, %d lost blocks\n", lost);
    else
        trace("No memory leaks detected :)\n");
}

// A null text has no copy: the result is null and nothing is allocated.
char* TrackingAllocator::copyText(const char* file, int line, const char* text) {
    if (!text) return nullptr;
    const std::size_t length = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(allocate(file, line, length));
    std::memcpy(copy, text, length);
    return copy;
}

}  // namespace kestrel::script
