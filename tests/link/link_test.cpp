#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "link/action_replay_link.h"
#include "link/emulated_console.h"
#include "link/simulated.h"
#include "link/transcript_port.h"

using namespace kestrel::link;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Fault = EmulatedConsole::Fault;
using Exchange = std::pair<int, int>;  // byte written, reply read (-1: none)

constexpr std::uint32_t kEntry = 0x80010008;
constexpr std::uint32_t kStub[] = {0x3C048000, 0x3484F800, 0x24090043, 0x240A00A0, 0x0140F809, 0,
                                   0,          0,          0x1084FFFF, 0,          0,          0};
const std::string kResetBytes = "W69 W69 R64 W6e R6e W14 R14 Wbf Rbf Wc0 Rc0 W00 R00 W00 R00 W00";

void put32(Bytes& image, std::size_t at, std::uint32_t value) {
    for (int b = 0; b < 4; ++b) image[at + b] = static_cast<std::uint8_t>(value >> (8 * b));
}

// A PS-X EXE loaded at 0x80010000 with 16 bytes of text; its header is filled with 0xEE.
Bytes exe() {
    Bytes image(0x810, 0xEE);
    put32(image, 0x10, kEntry);
    put32(image, 0x18, 0x80010000);
    put32(image, 0x1C, 16);
    for (std::size_t i = 0; i < 16; ++i) image[0x800 + i] = static_cast<std::uint8_t>(i * 7 + 1);
    return image;
}

// Counts the handshake polls that reach the console.
class PollCounter final : public PortIo {
public:
    explicit PollCounter(PortIo& inner) : inner(inner) {}
    void out8(std::uint16_t port, std::uint8_t value) override { inner.out8(port, value); }
    std::uint8_t in8(std::uint16_t port) override {
        if (port == kDefaultPortBase + 2) ++polls;
        return inner.in8(port);
    }
    int polls = 0;

private:
    PortIo& inner;
};

struct Rig {
    SimulatedClock clock;
    EmulatedConsole console{clock};
    KeyState keys;
    PollCounter counter{console};
    EscapeAfterWrites escape{counter, keys, kDefaultPortBase};
    TranscriptPort port{escape, kDefaultPortBase};
    CountingPriority priority;
    ActionReplayLink link{port, clock, keys, priority};

    const EmulatedConsole::Received& got() const { return console.received(); }
    std::size_t mark() const { return port.text().size(); }
    // The transcript since a mark as "W00 R64 ...".
    std::string since(std::size_t from = 0) const {
        std::string out;
        const std::string& t = port.text();
        for (std::size_t i = from; i < t.size(); i += 5)
            out += (out.empty() ? "" : " ") + t.substr(i, 1) + t.substr(i + 2, 2);
        return out;
    }
    std::vector<Exchange> exchanges(std::size_t from) const {
        std::vector<Exchange> out;
        const std::string& t = port.text();
        for (std::size_t i = from; i < t.size(); i += 5) {
            const int value = std::stoi(t.substr(i + 2, 2), nullptr, 16);
            if (t[i] == 'W')
                out.emplace_back(value, -1);
            else
                out.back().second = value;
        }
        return out;
    }
    void startPreviewer() {
        ASSERT_EQ(link.uploadExecutable(exe()), kEntry);
        link.runAt(kEntry);
        ASSERT_TRUE(got().previewerRunning);
    }
};

}  // namespace

TEST(Checksum, SevenBitCrcOfKnownBytes) {
    const auto sum = [](Bytes b) { return blockChecksum(b); };
    EXPECT_EQ(sum({'a', 'b', 'c'}), 0x4B8D);
    EXPECT_EQ(sum({0x01}), 0x48C4);
    EXPECT_EQ(sum({0x7F}), sum({0xFF}));
    EXPECT_EQ(sum({0x80}), 0);
    EXPECT_EQ(sum({}), 0);
}

TEST(Cartridge, HaltResumeAndResetAreSentByteForByte) {
    const std::string halt = "W00 W69 W69 R64 W6e R6e W07 R07 W01 R01 W02 R02 W03 R03 W04 R04 W00";
    Rig a, b, c;
    a.link.halt();
    EXPECT_EQ(a.since(), halt);
    b.link.resume();
    EXPECT_EQ(b.since(), halt + " W00 W69 W69 R64 W6e R6e W0d R0d W00");
    c.link.reset();
    EXPECT_EQ(c.since(), kResetBytes);
    EXPECT_EQ(a.got().halts + b.got().halts + b.got().resumes + c.got().resets, 4);
    EXPECT_FALSE(a.link.aborted() || b.link.aborted() || c.link.aborted());
}

TEST(Cartridge, UploadWritesTheHeaderBelowTheLoadAddressWithTheStubAndRunsIt) {
    Rig r;
    const Bytes image = exe();
    EXPECT_EQ(r.link.uploadExecutable(image), kEntry);
    const std::string head = "W00 " + kResetBytes +
                             " W00 W69 W69 R64 W6e R6e W09 R09 W80 R80 W00 R00 Wf8 Rf8 W00 R00"
                             " W00 R00 W00 R00 W08 R08 W14 R14 W00 R00 ";
    const std::string t = r.since();
    ASSERT_EQ(t.substr(0, head.size()), head);
    EXPECT_TRUE(t.ends_with(" W00 W00 W00 W00 W00"));
    EXPECT_EQ(std::ranges::count(t, ' ') + 1, std::ranges::count(head, ' ') + 2 * 0x814 + 5);

    Bytes expected = image;
    for (std::size_t w = 0; w < 12; ++w) put32(expected, 0x40 + 4 * w, kStub[w]);
    EXPECT_EQ(r.got().uploadAddress, 0x8000F800u);
    ASSERT_EQ(r.got().memory.size(), 0x814u);
    EXPECT_TRUE(std::ranges::equal(expected, std::span(r.got().memory).first(expected.size())));

    r.link.runAt(0x8000F800 + 0x814);  // just past the upload: nothing starts
    EXPECT_FALSE(r.got().previewerRunning);
    const std::size_t mark = r.mark();
    r.link.runAt(kEntry);
    EXPECT_EQ(r.since(mark), "W00 W69 W69 R64 W6e R6e W0a R0a W80 R80 W01 R01 W00 R00 W08 R08 W00");
    EXPECT_TRUE(r.got().previewerRunning);
    EXPECT_EQ(r.got().runAddress, kEntry);
}

TEST(Cartridge, WrongUploadEchoStopsAtThatByteAndRestoresPriority) {
    Rig r;
    r.console.setFault(Fault::Echo);
    r.console.echoFaultAt = 100;
    EXPECT_EQ(r.link.uploadExecutable(exe()), 0u);
    EXPECT_EQ(r.got().memory.size(), 101u);
    EXPECT_GE(r.priority.raises, 1);
    EXPECT_EQ(r.priority.level, 0);
}

TEST(SendBlock, FramesChunksOf254EachWithItsReadyAndChecksumExchanges) {
    Rig r;
    r.startPreviewer();
    Bytes data(255);
    std::iota(data.begin(), data.end(), std::uint8_t{0x30});
    for (const std::size_t length : {0, 254, 255}) {
        const Bytes block(data.begin(), data.begin() + length);
        r.link.exchangeByte('T');
        const std::size_t mark = r.mark();
        EXPECT_TRUE(r.link.sendBlock(block)) << length;
        const std::vector<Exchange> x = r.exchanges(mark);
        ASSERT_EQ(x.size(), 4 + length + 6 * ((length + 253) / 254)) << length;
        for (int k = 0; k < 4; ++k) EXPECT_EQ(x[k].first, static_cast<int>(length >> (24 - 8 * k) & 0xFF));
        std::size_t i = 4;
        for (std::size_t at = 0; at < length; at += 254, i += 6 + 254) {
            const std::size_t n = std::min<std::size_t>(254, length - at);
            EXPECT_EQ(x[i], Exchange(static_cast<int>(n), 'R'));
            for (std::size_t j = 0; j < n; ++j) EXPECT_EQ(x[i + 1 + j].first, block[at + j]);
            const int sum = blockChecksum(std::span(block).subspan(at, n));
            const std::vector<Exchange> tail = {{0, 0}, {sum >> 8, sum >> 8}, {0, 0}, {sum & 0xFF, sum & 0xFF}, {0, 0}};
            EXPECT_TRUE(std::equal(tail.begin(), tail.end(), x.begin() + static_cast<long>(i + 1 + n))) << length;
        }
    }
    EXPECT_EQ(r.got().textures, (std::vector<Bytes>{{}, Bytes(data.begin(), data.end() - 1), data}));
}

TEST(SendBlock, OneMebibyteArrivesIntact) {
    Rig r;
    r.startPreviewer();
    Bytes data(1 << 20);
    std::mt19937 random(7);
    std::ranges::generate(data, [&] { return static_cast<std::uint8_t>(random()); });
    EXPECT_EQ(r.link.exchangeByte('A'), 'a');
    EXPECT_TRUE(r.link.sendBlock(data));
    EXPECT_EQ(r.got().mime, data);
    EXPECT_EQ(r.got().checksumFailures, 0);
}

TEST(SendBlock, ChecksumMismatchFailsAndTheConsoleDropsTheBlock) {
    Rig r;
    r.startPreviewer();
    r.console.setFault(Fault::Checksum);
    r.link.exchangeByte('M');
    EXPECT_FALSE(r.link.sendBlock(Bytes(300, 9)));
    EXPECT_EQ(r.got().checksumFailures, 1);
    EXPECT_EQ(r.got().modelBlocks, 0);
    r.console.setFault(Fault::None);  // the console waits for a new letter
    EXPECT_EQ(r.link.exchangeByte('M'), 'm');
    EXPECT_TRUE(r.link.sendBlock(Bytes(300, 9)));
    EXPECT_EQ(r.got().model, Bytes(300, 9));
}

TEST(SendBlock, EscapeInAChunkStopsAfterTheByteInHand) {
    Rig r;
    r.startPreviewer();
    r.link.exchangeByte('T');
    const std::size_t mark = r.mark();
    // Four length bytes and the ready byte, then the sixtieth data byte.
    r.escape.pressAfter = r.escape.writes + 5 + 60;
    EXPECT_FALSE(r.link.sendBlock(Bytes(254, 0xAA)));
    EXPECT_TRUE(r.link.aborted());
    EXPECT_EQ(r.escape.writes, r.escape.pressAfter);  // nothing written after the byte in hand
    EXPECT_GE(r.priority.raises, 1);
    EXPECT_EQ(r.priority.level, 0);
    const std::vector<Exchange> x = r.exchanges(mark);
    ASSERT_GT(x.size(), 6u);
    EXPECT_LT(x.size(), 5u + 254);
    EXPECT_EQ(x.back(), Exchange(0xAA, 0xAA));  // a data byte, read; no checksum exchange
    EXPECT_TRUE(r.got().textures.empty());
}

TEST(Waits, SilentConsoleTimesOutAndLaterExchangesDoNotWait) {
    Rig r;
    r.console.setFault(Fault::Silent);
    for (int i = 0; i < 500; ++i) r.clock.seconds();  // half-way through a second
    const double start = r.clock.elapsedSeconds();
    r.link.reset();
    const double waited = r.clock.elapsedSeconds() - start;
    EXPECT_TRUE(r.link.aborted());
    EXPECT_GT(waited, 3.0);
    EXPECT_LE(waited, 4.0);

    const double now = r.clock.elapsedSeconds();
    const int polls = r.counter.polls;
    const std::size_t mark = r.mark();
    r.link.exchangeByte('x');
    EXPECT_EQ(r.clock.elapsedSeconds(), now);
    EXPECT_EQ(r.counter.polls, polls);
    EXPECT_EQ(r.since(mark).substr(0, 3), "W78");
    EXPECT_TRUE(r.link.aborted());
}

TEST(Waits, LateAnswersWithinTheLimitAreWaitedFor) {
    Rig r;
    r.console.setFault(Fault::Late);
    r.console.lateSeconds = 2;
    r.link.halt();
    EXPECT_FALSE(r.link.aborted());
    r.console.lateSeconds = 8;
    r.link.halt();
    EXPECT_TRUE(r.link.aborted());
    EXPECT_EQ(r.got().halts, 1);
}

// Time that moves on a microsecond a reading and by what is slept, pressing Escape once it
// passes pressAt seconds.
class EscapeAtTime final : public Clock {
public:
    EscapeAtTime(KeyState& keys, double pressAt) : keys(keys), pressAt(static_cast<std::int64_t>(pressAt * 1e6)) {}
    std::int64_t seconds() override {
        pass(1);
        return now / 1'000'000;
    }
    void sleep(std::int64_t microseconds) override { pass(microseconds); }
    double elapsed() const { return static_cast<double>(now) / 1e6; }
    double pressedAt() const { return static_cast<double>(pressAt) / 1e6; }

private:
    void pass(std::int64_t microseconds) {
        now += microseconds;
        if (!pressed && now >= pressAt) {
            pressed = true;
            keys.press();
        }
    }
    KeyState& keys;
    std::int64_t pressAt;
    std::int64_t now = 0;
    bool pressed = false;
};

// Every kind of wait on a console that has gone quiet ends within a tenth of a second of
// Escape, and between its looks it sleeps rather than spinning.
TEST(Waits, EscapeEndsEveryWaitOnASilentConsoleAtOnceAndTheWaitsSleep) {
    const std::vector<std::pair<const char*, std::function<void(ActionReplayLink&)>>> waits = {
        {"timed, without Escape", [](ActionReplayLink& l) { l.reset(); }},
        {"timed, with Escape", [](ActionReplayLink& l) { l.exchangeByte('x'); }},
        {"untimed", [](ActionReplayLink& l) { l.runAt(0x80010000); }},
    };
    for (const auto& [name, wait] : waits) {
        KeyState keys;
        EscapeAtTime clock(keys, 1.5);
        EmulatedConsole console(clock);
        console.setFault(Fault::Silent);
        PollCounter counter(console);
        CountingPriority priority;
        ActionReplayLink link(counter, clock, keys, priority);
        wait(link);
        EXPECT_TRUE(link.aborted()) << name;
        EXPECT_GE(clock.elapsed(), clock.pressedAt()) << name;
        EXPECT_LT(clock.elapsed() - clock.pressedAt(), 0.1) << name;
        // A spinning wait would have looked about a million times in that time.
        EXPECT_LT(counter.polls, 5000) << name;
    }
}
