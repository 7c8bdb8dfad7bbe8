// The emulated console: one state machine fed a byte at a time from the data register.
//
// The cartridge answers the synchronisation "i" with "d"; after "n" it takes a command code,
// the code's operands and a closing 0x00, and acts on the command when the frame closes.
// While the previewer runs, the bytes between cartridge frames are the previewer's: command
// letters, answered in lower case, and their payloads. An "i" where the previewer waits for a
// letter opens a cartridge frame, so Halt, Resume and Reset reach the console at any time.
#include "link/emulated_console.h"

#include <algorithm>

namespace kestrel::link {

namespace {

constexpr std::uint8_t kSync = 'i';
constexpr std::uint8_t kSyncReply = 'd';
constexpr std::uint8_t kFrameStart = 'n';
constexpr std::uint8_t kReady = 'R';

constexpr std::uint8_t kHalt = 0x07;
constexpr std::uint8_t kResume = 0x0D;
constexpr std::uint8_t kReset = 0x14;
constexpr std::uint8_t kUpload = 0x09;
constexpr std::uint8_t kRunAt = 0x0A;

constexpr std::uint32_t kResetVector = 0xBFC00000;

// What the handshake register reads: bit 0 is the only one that means anything, so the
// others are kept set to catch a reader that looks at the whole byte.
constexpr std::uint8_t kAnswered = 0xFE;
constexpr std::uint8_t kWaiting = 0xFF;

std::uint32_t bigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

std::int16_t signedWord(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
}

}  // namespace

EmulatedConsole::EmulatedConsole(Clock& consoleClock, std::uint16_t basePort)
    : clock(consoleClock), portBase(basePort) {}

void EmulatedConsole::out8(std::uint16_t port, std::uint8_t value) {
    if (port != portBase) return;  // the handshake register is read-only
    // A silent console is as good as unplugged: it neither answers nor takes anything in, so
    // that whatever is sent while it is silent cannot leave it half-way through a command.
    if (fault == Fault::Silent) return;
    if (arrived()) shown = reply;
    if (fault == Fault::Late) writtenAt = clock.seconds();
    const std::optional<std::uint8_t> answer = take(value);
    answered = answer.has_value();
    if (answer) reply = *answer;
}

std::uint8_t EmulatedConsole::in8(std::uint16_t port) {
    if (port == portBase) {
        if (arrived()) shown = reply;
        return shown;
    }
    if (port != portBase + 2) return kWaiting;  // nothing else on the card
    return fault != Fault::Silent && arrived() ? kAnswered : kWaiting;
}

bool EmulatedConsole::arrived() {
    if (!answered) return false;
    return fault != Fault::Late || clock.seconds() - writtenAt >= lateSeconds;
}

std::optional<std::uint8_t> EmulatedConsole::take(std::uint8_t byte) {
    switch (step) {
        case Step::Idle:
        case Step::Letter:
            return betweenFrames(byte);
        case Step::Synced:
            if (byte == kSync) return kSyncReply;
            if (byte == kFrameStart) {
                step = Step::Code;
                return byte;
            }
            // Anything else abandons the synchronisation and counts as a byte between frames.
            step = restingStep();
            return betweenFrames(byte);
        case Step::Code:
        case Step::Operands:
        case Step::UploadData:
            return cartridge(byte);
        case Step::Closing:
            if (byte == 0) {
                runCommand();
                return 0;
            }
            // A frame that does not close is dropped without acting on it.
            step = restingStep();
            return betweenFrames(byte);
        default:
            return previewer(byte);
    }
}

std::optional<std::uint8_t> EmulatedConsole::betweenFrames(std::uint8_t byte) {
    if (byte == kSync) {
        step = Step::Synced;
        return kSyncReply;
    }
    if (byte == 0) return 0;  // the frames' leading and closing zeros are harmless here
    if (step == Step::Letter) return letter(byte);
    // With no program of ours running, nothing on the console reads any other byte, so it
    // goes unanswered: the PC's time limit then reports it, where an answer would only send
    // the PC round its letter handshake for ever.
    return std::nullopt;
}

std::uint8_t EmulatedConsole::cartridge(std::uint8_t byte) {
    if (step == Step::Code) {
        code = byte;
        operands.clear();
        switch (code) {
            case kResume:
                operandCount = 0;
                break;
            case kHalt:
            case kReset:
            case kRunAt:
                operandCount = 4;
                break;
            case kUpload:
                operandCount = 9;
                break;  // address, length, a zero
            default:
                // An unknown command: its operands cannot be told apart from what follows,
                // so the frame is dropped here.
                step = restingStep();
                return 0;
        }
        step = operandCount > 0 ? Step::Operands : Step::Closing;
        return byte;
    }
    if (step == Step::Operands) {
        operands.push_back(byte);
        if (operands.size() < operandCount) return byte;
        step = Step::Closing;
        if (code == kUpload) {
            // The data goes into memory as it arrives, so an upload that stops part-way
            // leaves a partial image behind, as it would on the console.
            state.uploadAddress = bigEndian(operands, 0);
            uploadLength = bigEndian(operands, 4);
            state.memory.clear();
            if (uploadLength > 0) step = Step::UploadData;
        }
        return byte;
    }
    // The upload's data phase: each byte is answered with its index.
    const std::size_t index = state.memory.size();
    state.memory.push_back(byte);
    if (state.memory.size() == uploadLength) step = Step::Closing;
    auto echo = static_cast<std::uint8_t>(index);
    if (fault == Fault::Echo && index == echoFaultAt) ++echo;
    return echo;
}

void EmulatedConsole::runCommand() {
    step = restingStep();
    switch (code) {
        case kHalt:
            if (operands == std::vector<std::uint8_t>{1, 2, 3, 4}) ++state.halts;
            break;
        case kResume:
            ++state.resumes;
            break;
        case kReset:
            // Only the reset vector restarts the console; running from anywhere else is not
            // something this console can do, so such a frame is ignored.
            if (bigEndian(operands, 0) != kResetVector) break;
            ++state.resets;
            state.previewerRunning = false;
            state.runAddress = 0;
            state.memory.clear();
            state.uploadAddress = 0;
            step = Step::Idle;
            break;
        case kRunAt: {
            // Only a program we uploaded can run: an address outside it starts nothing and
            // leaves the console as it was.
            const std::uint32_t address = bigEndian(operands, 0);
            if (address - state.uploadAddress < state.memory.size()) {
                state.previewerRunning = true;
                state.runAddress = address;
                step = Step::Letter;
            }
            break;
        }
        default:  // the upload has already stored its bytes
            break;
    }
}

std::uint8_t EmulatedConsole::letter(std::uint8_t byte) {
    switch (byte) {
        case 'T':
        case 'M':
        case 'A':
            step = Step::Length;
            break;
        case 'R':
            operandCount = 4;
            step = Step::Payload;
            break;
        case 'S':
            operandCount = 2;
            step = Step::Payload;
            break;
        case 'Z':
            operandCount = 9;
            step = Step::Payload;
            break;
        case 'F':
            operandCount = 2;
            step = Step::Payload;
            break;
        default:
            return 0;  // not a command: answered with 0 and otherwise ignored
    }
    command = byte;
    operands.clear();
    state.letters.push_back(static_cast<char>(byte));
    return static_cast<std::uint8_t>(byte - 'A' + 'a');
}

std::uint8_t EmulatedConsole::previewer(std::uint8_t byte) {
    switch (step) {
        case Step::Length:
            operands.push_back(byte);
            if (operands.size() == 4) {
                blockLength = bigEndian(operands, 0);
                block.clear();
                if (blockLength == 0) {
                    deliverBlock();
                } else {
                    step = Step::Count;
                }
            }
            return byte;
        case Step::Count: {
            // The count must be one the block can take; the PC repeats it until it sees "R".
            const std::size_t remaining = blockLength - block.size();
            if (byte == 0 || byte > std::min(ActionReplayLink::kChunk, remaining)) return 0;
            chunkSize = byte;
            chunk.clear();
            step = Step::ChunkData;
            return kReady;
        }
        case Step::ChunkData:
            chunk.push_back(byte);
            if (chunk.size() == chunkSize) {
                chunkSum = blockChecksum(chunk);
                // A corrupted chunk: the console's own sum differs in both bytes.
                if (fault == Fault::Checksum) chunkSum ^= 0xFFFF;
                operands.clear();
                step = Step::ChunkSum;
            }
            return byte;
        case Step::ChunkSum:
            // 00, high, 00, low, 00: the PC's sum bytes are answered with the console's own.
            operands.push_back(byte);
            switch (operands.size()) {
                case 2:
                    return static_cast<std::uint8_t>(chunkSum >> 8);
                case 4:
                    return static_cast<std::uint8_t>(chunkSum);
                case 5:
                    endChunk();
                    return 0;
                default:
                    return 0;
            }
        default: {  // Step::Payload
            const std::size_t index = operands.size();
            operands.push_back(byte);
            if (operands.size() == operandCount) applyPayload();
            // The angles are answered 1, 3, 5, 7; other payload bytes are echoed.
            return command == 'R' ? static_cast<std::uint8_t>(2 * index + 1) : byte;
        }
    }
}

void EmulatedConsole::endChunk() {
    // All five bytes are taken in before deciding, so that the sum bytes are never mistaken
    // for a command. A chunk that does not match loses the whole block: the PC gives up on a
    // mismatch rather than resending, so the console goes back to waiting for a letter.
    const bool match =
        operands[1] == static_cast<std::uint8_t>(chunkSum >> 8) && operands[3] == static_cast<std::uint8_t>(chunkSum);
    if (!match) {
        ++state.checksumFailures;
        block.clear();
        step = Step::Letter;
        return;
    }
    block.insert(block.end(), chunk.begin(), chunk.end());
    if (block.size() == blockLength) {
        deliverBlock();
    } else {
        step = Step::Count;
    }
}

void EmulatedConsole::deliverBlock() {
    switch (command) {
        case 'T':
            state.textures.push_back(std::move(block));
            break;
        case 'M':
            state.model = std::move(block);
            ++state.modelBlocks;
            break;
        default:  // 'A'
            state.mime = std::move(block);
            ++state.mimeBlocks;
            break;
    }
    block.clear();
    step = Step::Letter;
}

void EmulatedConsole::applyPayload() {
    const std::vector<std::uint8_t>& p = operands;
    switch (command) {
        case 'R':
            state.angleX = signedWord(p[0], p[1]);
            state.angleY = signedWord(p[2], p[3]);
            break;
        case 'S':
            state.scale = signedWord(p[0], p[1]);
            break;
        case 'Z':
            // 4, width high, 3, width low, 2, height high, 1, height low, 0: a mode whose
            // markers are out of place is not set.
            if (p[0] == 4 && p[2] == 3 && p[4] == 2 && p[6] == 1 && p[8] == 0) {
                state.videoWidth = p[1] << 8 | p[3];
                state.videoHeight = p[5] << 8 | p[7];
            }
            break;
        default:  // 'F': the switch, then 0x00
            if (p[1] != 0) break;
            if (p[0] == 'C' || p[0] == 'c') state.cpuProfiler = p[0] == 'C';
            if (p[0] == 'G' || p[0] == 'g') state.gpuProfiler = p[0] == 'G';
            break;
    }
    step = Step::Letter;
}

}  // namespace kestrel::link
