/*
 * The protocol timer as a window timer that any thread may arm or stop.
 */
#pragma once

#include <windows.h>

#include "platform/protocol_timer.h"

namespace orvanta {

class Win32ProtocolTimer final : public ProtocolTimer {
public:
    // Creates the relay window on the calling thread, which must be the UI
    // thread that owns every timer owner window.
    bool createRelay(HINSTANCE instance);
    HWND relay() const { return relay_; }

    void set(WindowId owner, std::uintptr_t timerId, std::uint32_t intervalMs) override;
    void kill(WindowId owner, std::uintptr_t timerId) override;
    void discardPending() override;

private:
    static LRESULT CALLBACK RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND relay_ = nullptr;
};

}  // namespace orvanta
