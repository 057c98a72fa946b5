#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/port_inventory_win32.h"

namespace orvanta {
namespace {

// A made-up vendor, so that no real device's keys are touched.
constexpr wchar_t kVendorKey[] = L"System\\CurrentControlSet\\Enum\\USB\\VID_F0F0&PID_0042";
constexpr wchar_t kInstanceKey[] = L"System\\CurrentControlSet\\Enum\\USB\\VID_F0F0&PID_0042\\5&2A3B4C1&0&3";

void setText(HKEY key, const wchar_t* name, DWORD type, const std::wstring& text)
{
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// The keys Windows keeps for a USB-serial adapter without a serial
// number. Only wine lets a program write them; on Windows the test has
// nothing to look at.
bool writeAdapterKeys()
{
    HKEY instance = nullptr, parameters = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstanceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &instance,
                        nullptr) != ERROR_SUCCESS)
        return false;
    setText(instance, L"ClassGUID", REG_SZ, L"{4d36e978-e325-11ce-bfc1-08002be10318}");
    setText(instance, L"Class", REG_SZ, L"Ports");
    setText(instance, L"FriendlyName", REG_SZ, L"USB-SERIAL CH340 (COM42)");
    setText(instance, L"HardwareID", REG_MULTI_SZ, std::wstring(L"USB\\VID_F0F0&PID_0042&REV_0254") + L'\0');
    const bool written = RegCreateKeyExW(instance, L"Device Parameters", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                         &parameters, nullptr) == ERROR_SUCCESS;
    if (written) {
        setText(parameters, L"PortName", REG_SZ, L"COM42");
        RegCloseKey(parameters);
    }
    RegCloseKey(instance);
    return written;
}

TEST(Win32PortInventory, ListsTheAdapterBehindAPortFromItsDeviceKeys)
{
    if (!writeAdapterKeys()) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVendorKey);
        GTEST_SKIP() << "the device keys cannot be written here";
    }
    const std::vector<PortAdapter> ports = Win32PortInventory().presentAdapters();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVendorKey);

    const auto found = std::find_if(ports.begin(), ports.end(), [](const PortAdapter& p) { return p.portNumber == 42; });
    ASSERT_NE(found, ports.end());
    EXPECT_EQ(found->instanceId, "USB\\VID_F0F0&PID_0042\\5&2A3B4C1&0&3");
    EXPECT_EQ(found->usb, (UsbIds{0xF0F0, 0x0042}));
    EXPECT_EQ(found->serialNumber, "");
    EXPECT_EQ(found->friendlyName, "USB-SERIAL CH340 (COM42)");
}

}  // namespace
}  // namespace orvanta
