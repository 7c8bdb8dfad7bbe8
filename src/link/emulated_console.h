#pragma once
// A PlayStation with an Action Replay cartridge, in-process, behind the PortIo interface: it
// answers the cartridge's synchronisation and commands, echoes the upload's byte indices and
// keeps the uploaded memory, starts the previewer when told to run inside it, and then
// answers the previewer's command letters, keeping what it received. It can be told to
// misbehave, for tests and for trying the program's failure paths without hardware.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/action_replay_link.h"

namespace kestrel::link {

class EmulatedConsole final : public PortIo {
public:
    enum class Fault {
        None,
        Silent,    // never answers: the handshake bit stays set
        Late,      // answers each byte only lateSeconds after it was written
        Checksum,  // answers every block chunk with a wrong checksum
        Echo,      // echoes a wrong index for upload byte echoFaultAt
    };

    // The clock measures how late a Late console answers.
    explicit EmulatedConsole(Clock& clock, std::uint16_t portBase = kDefaultPortBase);

    void setFault(Fault chosen) { fault = chosen; }
    // As if the previewer had been uploaded and started before: it waits for a command letter.
    void startPreviewer() {
        state.previewerRunning = true;
        step = Step::Letter;
    }
    std::int64_t lateSeconds = 5;
    std::size_t echoFaultAt = 100;

    // Everything the console has been sent and has kept.
    struct Received {
        int halts = 0, resumes = 0, resets = 0;
        std::uint32_t uploadAddress = 0;   // where the last upload went
        std::vector<std::uint8_t> memory;  // the last upload's bytes
        bool previewerRunning = false;
        std::uint32_t runAddress = 0;
        std::vector<std::vector<std::uint8_t>> textures;  // each TIM block, in order
        std::vector<std::uint8_t> model;                  // the last TMD block
        std::vector<std::uint8_t> mime;                   // the last MIMe block
        int modelBlocks = 0, mimeBlocks = 0;
        std::int16_t angleX = 0, angleY = 0;
        std::int16_t scale = 0;
        int videoWidth = 640, videoHeight = 256;
        bool cpuProfiler = false, gpuProfiler = false;
        int checksumFailures = 0;   // chunks whose checksum did not match
        std::vector<char> letters;  // every command letter acknowledged
    };
    const Received& received() const { return state; }

    void out8(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t in8(std::uint16_t port) override;

private:
    // Where the byte stream stands: inside a cartridge frame, or (while the previewer runs)
    // between or inside previewer commands.
    enum class Step {
        Idle,        // no frame open, no previewer
        Synced,      // "i" seen: waiting for more "i" or the "n"
        Code,        // "n" seen: the command code comes next
        Operands,    // the code's operand bytes
        UploadData,  // the upload's data phase
        Closing,     // the frame's closing 0x00
        Letter,      // the previewer waits for a command letter
        Length,      // a block's four length bytes
        Count,       // a chunk's byte count
        ChunkData,   // a chunk's bytes
        ChunkSum,    // the five checksum exchange bytes after a chunk
        Payload,     // the fixed-size operands of R, S, Z and F
    };

    // Takes in one byte written to the data register and returns the reply it latches, or
    // nothing when the byte goes unanswered.
    std::optional<std::uint8_t> take(std::uint8_t byte);
    std::optional<std::uint8_t> betweenFrames(std::uint8_t byte);
    std::uint8_t letter(std::uint8_t byte);
    std::uint8_t cartridge(std::uint8_t byte);
    std::uint8_t previewer(std::uint8_t byte);
    void runCommand();
    void applyPayload();
    void endChunk();
    void deliverBlock();
    Step restingStep() const { return state.previewerRunning ? Step::Letter : Step::Idle; }

    Clock& clock;
    std::uint16_t portBase;
    Fault fault = Fault::None;
    Received state;

    // Whether the answer to the last byte written is there yet (a Late console gives it
    // only lateSeconds after the byte).
    bool arrived();

    // The data and handshake registers: the answer to the last byte written, whether it has
    // one, and what the data register shows, which is the previous answer until the new
    // one has arrived.
    std::uint8_t reply = 0;
    bool answered = true;
    std::uint8_t shown = 0;
    std::int64_t writtenAt = 0;

    Step step = Step::Idle;
    std::uint8_t code = 0;               // the open frame's command code
    std::vector<std::uint8_t> operands;  // its operands, or the previewer command's payload
    std::size_t operandCount = 0;
    std::uint32_t uploadLength = 0;
    std::uint8_t command = 0;  // the previewer command letter being served
    std::uint32_t blockLength = 0;
    std::vector<std::uint8_t> block;  // the chunks confirmed so far
    std::vector<std::uint8_t> chunk;  // the chunk being received
    std::size_t chunkSize = 0;
    std::uint16_t chunkSum = 0;            // the console's own checksum of the chunk
    std::uint8_t sumHigh = 0, sumLow = 0;  // the PC's
};

}  // namespace kestrel::link
