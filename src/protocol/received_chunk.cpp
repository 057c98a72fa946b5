/*
 * Keyboard preparation around each received chunk. The probe happens once
 * per transfer, at its first chunk; the layout is taken before each record,
 * from the window in front at that moment.
 */
#include "protocol/received_chunk.h"

namespace orvanta {

void ChunkReceiver::receive(const std::uint8_t* bytes, std::uint32_t count)
{
    if (count == 0)
        return;
    if (transfer.typing.capsLockMode == CapsLockMode::NotProbed)
        capsLock.probeMode();
    const bool suspended = capsLock.suspend();
    assembler.feed(bytes, count);
    if (suspended)
        capsLock.restore();
}

}  // namespace orvanta
