#include <gtest/gtest.h>

#include <windows.h>

#include "platform/adapter_memory_win32.h"

namespace orvanta {
namespace {

constexpr char kTestKey[] = "Software\\Orvanta";
constexpr char kTestValue[] = "CollectorAdapterTest";

// The record goes through the registry's multi-string whole: a second
// write replaces the first, a field left out is gone, and text outside
// ASCII comes back as it went.
TEST(Win32AdapterMemory, ReadsBackWhatItWroteToTheUsersKey)
{
    Win32AdapterMemory memory(kTestKey, kTestValue);
    const KeptAdapter first{1, {9, "USB\\VID_0403&PID_6001\\A50285BI", UsbIds{0x0403, 0x6001}, "A50285BI",
                            "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)", "P\xC3\xA9riph\xC3\xA9rique s\xC3\xA9rie (COM9)"}};
    const KeptAdapter second{12, {12, "USB\\VID_1A86&PID_7523\\5&2A3B4C1&0&4", UsbIds{0x1A86, 0x7523}, "", "", ""}};

    memory.remember(first);
    EXPECT_EQ(memory.recall(), first);
    memory.remember(second);
    EXPECT_EQ(Win32AdapterMemory(kTestKey, kTestValue).recall(), second);

    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvanta", L"CollectorAdapterTest");
    EXPECT_EQ(memory.recall(), std::nullopt);
}

}  // namespace
}  // namespace orvanta
