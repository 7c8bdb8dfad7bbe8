#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/allocator.h"
#include "script/trace.h"

using namespace kestrel::script;

namespace {

// An allocator whose trace lines are kept.
struct Tracked {
    Trace trace;
    CollectTrace lines;
    TrackingAllocator memory{trace};
    Tracked() { trace.setSink(&lines); }

    std::vector<std::string> report() {
        lines.lines.clear();
        memory.leakReport();
        return lines.lines;
    }
    int count(const std::string& line) const {
        int n = 0;
        for (const std::string& l : lines.lines) n += l == line;
        return n;
    }
};

const std::string kInvalid = "ERROR: free invalid block\n";

}  // namespace

TEST(Allocator, LeakReportListsLiveBlocksInSlotOrder) {
    Tracked t;
    void* a = t.memory.allocate("variable", 10, 4);
    void* b = t.memory.allocate("array", 20, 16);
    void* c = t.memory.allocate("object", 30, 1);
    t.memory.free(a);
    void* d = t.memory.allocate("tokenise", 40, 7);  // a's slot, the first free one
    EXPECT_EQ(t.report(), (std::vector<std::string>{
                              "Scanning for memory leaks:\n",
                              "block[3], len=7, allocated at 'tokenise':line 40\n",
                              "block[1], len=16, allocated at 'array':line 20\n",
                              "block[2], len=1, allocated at 'object':line 30\n",
                              "Memory leaks detected, 3 lost blocks\n",
                          }));
    for (void* p : {b, c, d}) t.memory.free(p);
    EXPECT_EQ(t.report(), (std::vector<std::string>{"Scanning for memory leaks:\n", "No memory leaks detected :)\n"}));
}

TEST(Allocator, FreedSlotsAreReusedLowestFirstAcrossTableWords) {
    Tracked t;
    std::vector<void*> blocks;
    for (int i = 0; i < 200; ++i) blocks.push_back(t.memory.allocate("variable", i, 1));
    for (int i : {130, 199, 70}) t.memory.free(blocks[static_cast<std::size_t>(i)]);
    for (int i : {70, 130, 199, 200}) {
        void* p = t.memory.allocate("again", i, 1);
        if (i < 200)
            blocks[static_cast<std::size_t>(i)] = p;
        else
            blocks.push_back(p);
    }
    const std::vector<std::string> lines = t.report();
    ASSERT_EQ(lines.size(), 203u);
    EXPECT_EQ(lines[1 + 70], "block[200], len=1, allocated at 'again':line 70\n");
    EXPECT_EQ(lines[1 + 130], "block[201], len=1, allocated at 'again':line 130\n");
    EXPECT_EQ(lines[1 + 199], "block[202], len=1, allocated at 'again':line 199\n");
    EXPECT_EQ(lines[1 + 200], "block[203], len=1, allocated at 'again':line 200\n");
    for (void* p : blocks) t.memory.free(p);
    EXPECT_EQ(t.memory.liveBlocks(), 0);
}

TEST(Allocator, FreeingABlockTwiceOrAForeignOneIsReportedAndChangesNothing) {
    Tracked t, other;
    void* a = t.memory.allocate("variable", 1, 8);
    void* foreign = other.memory.allocate("variable", 3, 8);
    t.memory.free(a);
    t.memory.free(a);
    t.memory.free(foreign);
    t.memory.free(nullptr);  // nothing to free, nothing to report
    EXPECT_EQ(t.count(kInvalid), 2);
    EXPECT_EQ(t.memory.freedBytes(), 8u);
    std::memset(foreign, 0x5a, 8);  // still allocated by its owner
    other.memory.free(foreign);
    EXPECT_EQ(other.count(kInvalid), 0);
}

TEST(Allocator, ATableFullOfBlocksStillHandsOutUntrackedOnes) {
    Tracked t;
    std::vector<void*> blocks;
    for (int i = 0; i < kBlockTableSlots; ++i) blocks.push_back(t.memory.allocate("variable", i, 1));
    EXPECT_TRUE(t.lines.lines.empty());
    void* untracked = t.memory.allocate("overflow", 1, 32);
    EXPECT_EQ(t.lines.lines, std::vector<std::string>{"DBGMEM: Maximum blocks exceded\n"});
    std::memset(untracked, 0xff, 32);
    EXPECT_EQ(t.memory.liveBlocks(), kBlockTableSlots);
    EXPECT_EQ(t.memory.allocatedBytes(), static_cast<std::uint64_t>(kBlockTableSlots + 32));
    t.memory.free(untracked);  // not in the table, but the allocator's: returned and counted
    EXPECT_EQ(t.count(kInvalid), 0);
    EXPECT_EQ(t.memory.freedBytes(), 32u);
    t.memory.free(untracked);  // a second time it is no block of ours
    EXPECT_EQ(t.count(kInvalid), 1);

    t.memory.free(blocks[7]);
    blocks[7] = t.memory.allocate("again", 5, 1);
    const std::vector<std::string> lines = t.report();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kBlockTableSlots + 2));
    EXPECT_EQ(lines[1 + 7], "block[15001], len=1, allocated at 'again':line 5\n");
    EXPECT_EQ(lines.back(), "Memory leaks detected, 15000 lost blocks\n");
    for (void* p : blocks) t.memory.free(p);
}

TEST(Allocator, CountersSurviveResetWhichForgetsTheTable) {
    Tracked t;
    void* a = t.memory.allocate("variable", 1, 100);
    void* b = t.memory.allocate("variable", 2, 50);
    t.memory.free(a);
    void* c = t.memory.allocate("variable", 3, 10);
    EXPECT_EQ(t.memory.allocatedBytes(), 160u);
    EXPECT_EQ(t.memory.freedBytes(), 100u);
    EXPECT_EQ(t.memory.peakBytes(), 150u);
    EXPECT_EQ(t.memory.nextSequence(), 3u);

    t.memory.reset();
    EXPECT_EQ(t.memory.liveBlocks(), 0);
    EXPECT_EQ(t.report()[1], "No memory leaks detected :)\n");
    void* d = t.memory.allocate("after", 4, 4);
    EXPECT_EQ(t.report()[1], "block[3], len=4, allocated at 'after':line 4\n");
    t.memory.free(b);  // forgotten: reported, and returned only when the allocator ends
    EXPECT_EQ(t.count(kInvalid), 1);
    t.memory.free(d);
    EXPECT_EQ(t.memory.allocatedBytes(), 164u);
    EXPECT_EQ(t.memory.freedBytes(), 104u);
    (void)c;
}

TEST(Allocator, BlocksAreAlignedAndTextsCopied) {
    Tracked t;
    for (std::size_t length : {0u, 1u, 3u, 24u}) {
        void* p = t.memory.allocate("variable", 1, length);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignof(std::max_align_t), 0u);
        t.memory.free(p);
    }
    char* copy = t.memory.copyText("variable", 2, "K-Script");
    EXPECT_STREQ(copy, "K-Script");
    EXPECT_EQ(t.memory.allocatedBytes(), 28u + 9u);
    EXPECT_EQ(t.memory.copyText("variable", 3, nullptr), nullptr);
    t.memory.free(copy);
}
