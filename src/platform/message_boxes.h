/*
 * Message boxes: the one way the program tells the user of a failure.
 */
#pragma once

#include <cstdint>

#include "platform/window_id.h"

namespace orvanta {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has closed the box.
    virtual void show(WindowId owner, const char* text, const char* caption, std::uint32_t style) = 0;
};

}  // namespace orvanta
