/*
 * What the receive thread does with every chunk it reads from the port:
 * prepare the keyboard (Caps Lock probe, Caps Lock off),
 * hand the bytes to the record assembler, and put Caps Lock back.
 */
#pragma once

#include <cstdint>

#include "keys/caps_lock_guard.h"
#include "protocol/record_assembler.h"

namespace orvanta {

struct ChunkReceiver {
    TransferContext& transfer;
    CapsLockGuard& capsLock;
    RecordAssembler& assembler;

    void receive(const std::uint8_t* bytes, std::uint32_t count);
};

}  // namespace orvanta
