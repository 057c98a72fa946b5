/*
 * What typing gives back for a record: which record it was (its ticket)
 * and what became of it.
 */
#pragma once

#include <cstdint>

namespace orvanta {

// A record given to the typing worker, counted from 1; 0 is none.
using Ticket = std::uint32_t;

enum class TypingOutcome : std::uint8_t {
    Typed,            // every key went into the record window
    NotWhole,         // it stopped part-way: the window changed, a key was refused, or Stop
    NoRecordWindow,   // no window could take it; nothing was typed
};

}  // namespace orvanta
