/*
 * The protocol timer as window timers of the one window that owns the
 * engine; any thread may arm or stop them.
 */
#pragma once

#include <windows.h>

#include <optional>

#include "protocol/protocol_timer.h"

namespace orvanta {

class Win32ProtocolTimer final : public ProtocolTimer {
public:
    // Creates the relay window on the calling thread, which must be the UI
    // thread that owns the owner window; the deadlines expire at owner.
    bool createRelay(HINSTANCE instance, HWND owner);
    HWND relay() const { return relay_; }

    void arm(Deadline deadline, std::uint32_t intervalMs) override;
    void stop() override;
    void discardPending() override;

    // The deadline a WM_TIMER of the owner stands for, stopped so that it
    // does not come again; nothing for the owner's other timers.
    std::optional<Deadline> expired(UINT_PTR timerId);

private:
    static LRESULT CALLBACK RelayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool onOwnerThread() const;
    HWND relay_ = nullptr;
    HWND owner_ = nullptr;
};

}  // namespace orvanta
