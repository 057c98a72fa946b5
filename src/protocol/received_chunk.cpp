/*
 * A record's bytes go one way: the port's chunk, its lines, the
 * conversation, the delivery, the answer. The Caps Lock probe happens once
 * per transfer, at its first chunk; the layout is taken before each record,
 * from the window in front at that moment.
 */
#include "protocol/received_chunk.h"

namespace orvanta {

void ChunkReceiver::receive(const std::uint8_t* bytes, std::uint32_t count)
{
    if (count == 0)
        return;
    if (typing_.capsLockMode == CapsLockMode::NotProbed)
        capsLock_.probeMode();
    transfer_.handlingChunk = true;
    const bool suspended = capsLock_.suspend();
    assembler_.beginChunk(bytes, count);
    handLines();
    if (suspended)
        capsLock_.restore();
    lines_.chunkEnded();
    transfer_.handlingChunk = false;
}

void ChunkReceiver::handLines()
{
    while (assembler_.nextLine()) {
        if (lines_.handleLine() == LineOutcome::DropRest) {
            assembler_.dropRest();
            return;
        }
    }
}

}  // namespace orvanta
