/*
 * A keyboard that takes every key and keeps nothing but a count, for runs
 * that must not allocate or spend time in the keyboard: a window of
 * another program is always in front and every byte is its own character.
 */
#pragma once

#include "keys/keyboard.h"

namespace orvanta::fakes {

struct SilentKeyboard : Keyboard {
    long keyEvents = 0;
    std::uint8_t capsLock = 0;

    KeysFate sendKeys(const KeyEvent*, std::uint32_t count) override
    {
        keyEvents += count;
        return KeysFate::WentIn;
    }
    void beginRecord(const ForegroundWindow&) override {}
    void endRecord() override {}
    bool keysJudged() override { return true; }
    bool windowAnswers(WindowId, std::uint32_t) override { return true; }
    std::int16_t scanChar(std::uint8_t c, KeyboardLayout) override { return c; }
    std::uint16_t scanCodeOf(std::uint8_t, KeyboardLayout) override { return 0x1E; }
    bool isDeadKey(std::uint8_t, KeyboardLayout) override { return false; }
    AnsiCharacter decodeAnsi(const std::uint8_t* b, std::uint32_t) override { return {1, 1, {b[0], 0}}; }
    std::uint8_t capsLockState() override { return capsLock; }
    bool modifiersHeld() override { return false; }
    ForegroundWindow foregroundWindow() override { return {true, false, false, false, 1}; }
    bool othersKeysQuiet(std::uint32_t) override { return true; }
};

}  // namespace orvanta::fakes
