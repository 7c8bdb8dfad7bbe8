#include "link/action_replay_link.h"

#include <array>

#include "base/little_endian.h"

namespace kestrel::link {

namespace {

constexpr std::uint8_t kSync = 'i', kSynced = 'd', kCommand = 'n', kReady = 'R';
// A waiting untimed exchange gives up after this long, so that a console that has gone
// away cannot hold the program for ever; one that answers at all answers in microseconds.
constexpr std::int64_t kUntimedLimit = 30;
// A console that answers at all answers within a few hundred looks at the handshake; past
// this many a wait sleeps between looks, and takes Escape even where the exchange does not
// ask for it, so a silent console neither keeps a core busy nor holds off a cancel.
constexpr int kSpinPasses = 2000;
constexpr std::int64_t kPollPause = 1000;  // microseconds

// The checksum feeds each byte's bits 0..6, after a 0 bit, into the register from its top:
// the byte as the register sees it is those seven bits in reverse order.
constexpr std::array<std::uint8_t, 256> kFed = [] {
    std::array<std::uint8_t, 256> fed{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned d = 0;
        for (unsigned bit = 0; bit < 7; ++bit)
            if (b >> bit & 1) d |= 0x40u >> bit;
        fed[b] = static_cast<std::uint8_t>(d);
    }
    return fed;
}();

// The register after eight fed bits, by the byte of fed bits xor its top byte.
constexpr std::array<std::uint16_t, 256> kCrc = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned reg = i << 8;
        for (int bit = 0; bit < 8; ++bit) reg = (reg & 0x8000) ? (reg << 1) ^ 0x1021 : reg << 1;
        table[i] = static_cast<std::uint16_t>(reg);
    }
    return table;
}();

inline std::uint16_t checksumStep(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>(crc << 8) ^ kCrc[((crc >> 8) ^ kFed[byte]) & 0xFF];
}

std::array<std::uint8_t, 4> bigEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::uint32_t littleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return base::loadLittleEndian<std::uint32_t>(bytes.data() + at);
}

// The console code written over header bytes 0x40..0x6F: execute the program whose header
// lies at 0x8000F800 through the BIOS, then wait for ever.
constexpr std::array<std::uint32_t, 12> kStartupStub = {0x3C048000, 0x3484F800, 0x24090043, 0x240A00A0,
                                                        0x0140F809, 0x00000000, 0x00000000, 0x00000000,
                                                        0x1084FFFF, 0x00000000, 0x00000000, 0x00000000};

constexpr std::size_t kHeaderSize = 0x800;
// Larger than any console's memory: a header claiming more is not a program for it.
constexpr std::uint64_t kMaxUpload = 8u << 20;

}  // namespace

std::uint16_t blockChecksum(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0;
    for (const std::uint8_t b : bytes) crc = checksumStep(crc, b);
    return crc;
}

ActionReplayLink::ActionReplayLink(PortIo& port, Clock& linkClock, KeyState& keyState, Priority& linkPriority,
                                   std::uint16_t basePort)
    : port_(port), clock(linkClock), keys(keyState), priority(linkPriority), portBase(basePort) {}

void ActionReplayLink::checkEscape() {
    if (keys.escape()) abortFlag = true;
}

void ActionReplayLink::waitedAgain(int& passes) {
    if (++passes <= kSpinPasses) return;
    clock.sleep(kPollPause);
    checkEscape();
}

void ActionReplayLink::timedWait(bool withEscape) {
    if (abortFlag) return;
    const std::int64_t start = clock.seconds();
    int passes = 0;
    while (!answered()) {
        if (clock.seconds() - start > kTimeLimit) {
            abortFlag = true;
            break;
        }
        if (withEscape) checkEscape();
        if (!abortFlag) waitedAgain(passes);
        if (abortFlag) break;
    }
    if (withEscape) checkEscape();
}

void ActionReplayLink::untimedWait() {
    if (abortFlag || answered()) return;
    const std::int64_t start = clock.seconds();
    int passes = 0;
    while (!answered()) {
        checkEscape();
        if (!abortFlag && clock.seconds() - start > kUntimedLimit) abortFlag = true;
        if (!abortFlag) waitedAgain(passes);
        if (abortFlag) return;
    }
}

void ActionReplayLink::sendByte(std::uint8_t byte) { port_.out8(data(), byte); }

std::uint8_t ActionReplayLink::receiveByte(bool timedWaiting) {
    if (timedWaiting)
        timedWait(false);
    else
        untimedWait();
    return port_.in8(data());
}

std::uint8_t ActionReplayLink::exchangeByte(std::uint8_t byte) {
    sendByte(byte);
    timedWait(true);
    return port_.in8(data());
}

std::uint8_t ActionReplayLink::timed(std::uint8_t byte) {
    sendByte(byte);
    return receiveByte(true);
}

std::uint8_t ActionReplayLink::untimed(std::uint8_t byte) {
    sendByte(byte);
    return receiveByte(false);
}

bool ActionReplayLink::repeatUntil(const std::function<std::uint8_t()>& attempt, std::uint8_t wanted) {
    // A console that answers, but never with what is wanted, is given the same time as one
    // that does not answer at all.
    const std::int64_t start = clock.seconds();
    for (;;) {
        // An answer read after a time-out or Escape is no answer.
        const std::uint8_t answer = attempt();
        if (abortFlag) return false;
        if (answer == wanted) return true;
        if (clock.seconds() - start > kTimeLimit) {
            abortFlag = true;
            return false;
        }
    }
}

bool ActionReplayLink::synchronise(bool sendZero) {
    if (sendZero) sendByte(0);
    sendByte(kSync);
    return repeatUntil([this] { return timed(kSync); }, kSynced);
}

void ActionReplayLink::command(std::uint8_t code, std::span<const std::uint8_t> operands) {
    timed(kCommand);
    timed(code);
    for (const std::uint8_t b : operands) timed(b);
    sendByte(0);
}

void ActionReplayLink::halt() {
    if (!synchronise(true)) return;
    static constexpr std::uint8_t kOperands[] = {1, 2, 3, 4};
    command(0x07, kOperands);
}

void ActionReplayLink::resume() {
    halt();
    if (!synchronise(true)) return;
    command(0x0D, {});
}

void ActionReplayLink::reset() {
    if (!synchronise(false)) return;
    command(0x14, bigEndian(0xBFC00000));
}

void ActionReplayLink::runAt(std::uint32_t address) {
    sendByte(0);
    sendByte(kSync);
    untimed(kSync);
    untimed(kCommand);
    untimed(0x0A);
    for (const std::uint8_t b : bigEndian(address)) untimed(b);
    sendByte(0);
}

std::uint32_t ActionReplayLink::uploadExecutable(std::vector<std::uint8_t> image) {
    // The header must be there, and the program text it announces.
    if (image.size() < kHeaderSize) return 0;
    const std::uint32_t entry = littleEndianAt(image, 0x10);
    const std::uint32_t load = littleEndianAt(image, 0x18);
    const std::uint64_t textSize = littleEndianAt(image, 0x1C);
    if (kHeaderSize + textSize > image.size() || textSize > kMaxUpload) return 0;
    // The header, the text and four bytes more, whose content does not matter.
    const auto length = static_cast<std::uint32_t>(textSize + kHeaderSize + 4);
    image.resize(length, 0);
    for (std::size_t w = 0; w < kStartupStub.size(); ++w)
        for (std::size_t b = 0; b < 4; ++b)
            image[0x40 + 4 * w + b] = static_cast<std::uint8_t>(kStartupStub[w] >> (8 * b));

    sendByte(0);
    reset();
    sendByte(0);
    sendByte(kSync);
    timed(kSync);  // the short form: the answer is not checked
    timed(kCommand);
    timed(0x09);
    for (const std::uint8_t b : bigEndian(load - static_cast<std::uint32_t>(kHeaderSize))) timed(b);
    for (const std::uint8_t b : bigEndian(length)) timed(b);
    timed(0);
    {
        const RaisedPriority raised(priority);
        for (std::uint32_t i = 0; i < length; ++i)
            if (untimed(image[i]) != static_cast<std::uint8_t>(i)) return 0;
    }
    for (int i = 0; i < 5; ++i) sendByte(0);
    return entry;
}

bool ActionReplayLink::sendBlock(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bigEndian(static_cast<std::uint32_t>(bytes.size()))) exchangeByte(b);
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        const std::span<const std::uint8_t> chunk = bytes.subspan(at, std::min(kChunk, bytes.size() - at));
        const auto count = static_cast<std::uint8_t>(chunk.size());
        if (!repeatUntil([&] { return exchangeByte(count); }, kReady)) return false;
        std::uint16_t crc = 0;
        {
            const RaisedPriority raised(priority);
            const std::uint16_t dataPort = data();
            for (const std::uint8_t b : chunk) {
                port_.out8(dataPort, b);
                untimedWait();
                port_.in8(dataPort);
                crc = checksumStep(crc, b);
                checkEscape();
                if (abortFlag) return false;  // after the byte in hand
            }
        }
        exchangeByte(0);
        const std::uint8_t high = exchangeByte(static_cast<std::uint8_t>(crc >> 8));
        exchangeByte(0);
        const std::uint8_t low = exchangeByte(static_cast<std::uint8_t>(crc));
        exchangeByte(0);
        if (high != static_cast<std::uint8_t>(crc >> 8) || low != static_cast<std::uint8_t>(crc)) return false;
    }
    return true;
}

}  // namespace kestrel::link
