#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/port_inventory_win32.h"

namespace orvanta {
namespace {

// A made-up vendor, so that no real device's keys are touched.
constexpr wchar_t kVendorKey[] = L"System\\CurrentControlSet\\Enum\\USB\\VID_F0F0&PID_0042";

void setText(HKEY key, const wchar_t* subKey, const wchar_t* name, DWORD type, const std::wstring& text)
{
    RegSetKeyValueW(key, subKey, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The keys Windows keeps for a USB-serial adapter without a serial
// number; only wine lets a program write them.
bool writeAdapterKeys()
{
    HKEY instance = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kVendorKey) + L"\\5&2A3B4C1&0&3").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &instance, nullptr) != ERROR_SUCCESS)
        return false;
    setText(instance, nullptr, L"ClassGUID", REG_SZ, L"{4d36e978-e325-11ce-bfc1-08002be10318}");
    setText(instance, nullptr, L"FriendlyName", REG_SZ, L"USB-SERIAL CH340 (COM42)");
    setText(instance, nullptr, L"HardwareID", REG_MULTI_SZ, std::wstring(L"USB\\VID_F0F0&PID_0042&REV_0254") + L'\0');
    setText(instance, L"Device Parameters", L"PortName", REG_SZ, L"COM42");
    RegCloseKey(instance);
    return true;
}

TEST(Win32PortInventory, ListsTheAdapterBehindAPortFromItsDeviceKeys)
{
    if (!writeAdapterKeys())
        GTEST_SKIP() << "the device keys cannot be written here";
    const std::vector<PortAdapter> ports = Win32PortInventory().presentAdapters();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVendorKey);

    const auto found = std::find_if(ports.begin(), ports.end(), [](const PortAdapter& p) { return p.portNumber == 42; });
    ASSERT_NE(found, ports.end());
    EXPECT_EQ(*found, (PortAdapter{42, "USB\\VID_F0F0&PID_0042\\5&2A3B4C1&0&3", UsbIds{0xF0F0, 0x0042}, "", "",
                                   "USB-SERIAL CH340 (COM42)"}));
}

}  // namespace
}  // namespace orvanta
