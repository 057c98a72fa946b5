/*
 * Where the receive thread hands every chunk it reads from the port:
 * prepare the keyboard (Caps Lock probe, Caps Lock off), take the chunk's
 * lines one by one to the conversation, and put Caps Lock back.
 */
#pragma once

#include <cstdint>

#include "keys/caps_lock_guard.h"
#include "keys/typing_state.h"
#include "protocol/receive_sink.h"
#include "protocol/record_assembler.h"

namespace orvanta {

class ChunkReceiver final : public ReceiveSink {
public:
    ChunkReceiver(TransferContext& transfer, TypingState& typing, CapsLockGuard& capsLock,
                  RecordAssembler& assembler, LineHandler& lines)
        : transfer_(transfer), typing_(typing), capsLock_(capsLock), assembler_(assembler), lines_(lines)
    {
    }

    void receive(const std::uint8_t* bytes, std::uint32_t count) override;
    void portLost() override { lines_.portLost(); }

private:
    void handLines();

    TransferContext& transfer_;
    TypingState& typing_;
    CapsLockGuard& capsLock_;
    RecordAssembler& assembler_;
    LineHandler& lines_;
};

}  // namespace orvanta
