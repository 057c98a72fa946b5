/*
 * Message boxes on Windows.
 */
#pragma once

#include "platform/message_boxes.h"

namespace orvanta {

class Win32MessageBoxes final : public MessageBoxes {
public:
    void show(WindowId owner, const char* text, const char* caption, std::uint32_t style) override;
};

}  // namespace orvanta
