/*
 * The port lists of SetupAPI and of the registry. setupapi.dll is no
 * KnownDLL, so it is not imported (Windows would look for it beside the
 * executable first) but loaded from the system folder; without it the
 * registry's list still names every port.
 *
 * The ports and the adapters behind them are read once, with the W calls,
 * so that a friendly name in any language comes through whole. A device property
 * is asked for twice, for its size and then for its data: location paths
 * are longer than any fixed buffer would allow for. Registry text need
 * not end in its terminator, so none is relied on.
 */
#include "platform/port_inventory_win32.h"

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include <algorithm>
#include <string>

#include "platform/system_library_win32.h"
#include "platform/text_win32.h"

namespace orvanta {
namespace {

// Spelled out here rather than taken from a library of GUIDs.
constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

struct SetupApi {
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo;
    decltype(&SetupDiOpenDevRegKey) openDevRegKey;
    decltype(&SetupDiDestroyDeviceInfoList) destroyList;
    decltype(&SetupDiGetClassDevsW) getClassDevsW;
    decltype(&SetupDiGetDeviceInstanceIdW) getInstanceIdW;
    decltype(&SetupDiGetDeviceRegistryPropertyW) getRegistryPropertyW;

    bool complete() const
    {
        return enumDeviceInfo && openDevRegKey && destroyList && getClassDevsW && getInstanceIdW &&
               getRegistryPropertyW;
    }
};

// Loaded once and kept for the run.
const SetupApi* setupApi()
{
    static const SetupApi api = [] {
        SetupApi found{};
        HMODULE library = loadSystemLibrary("setupapi.dll");
        if (library) {
            findFunction(library, "SetupDiEnumDeviceInfo", found.enumDeviceInfo);
            findFunction(library, "SetupDiOpenDevRegKey", found.openDevRegKey);
            findFunction(library, "SetupDiDestroyDeviceInfoList", found.destroyList);
            findFunction(library, "SetupDiGetClassDevsW", found.getClassDevsW);
            findFunction(library, "SetupDiGetDeviceInstanceIdW", found.getInstanceIdW);
            findFunction(library, "SetupDiGetDeviceRegistryPropertyW", found.getRegistryPropertyW);
        }
        return found;
    }();
    return api.complete() ? &api : nullptr;
}

std::vector<PortSighting> registryPorts()
{
    std::vector<PortSighting> sightings;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return sightings;
    for (DWORD index = 0;; ++index) {
        char device[256] = {}, port[64] = {};
        DWORD deviceSize = sizeof device, portSize = sizeof port - 1, type = 0;
        const LONG result = RegEnumValueA(key, index, device, &deviceSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port), &portSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_SZ)
            sightings.push_back({port, device});
    }
    RegCloseKey(key);
    return sightings;
}

// No property of a port's device comes near this; more is a broken driver.
constexpr DWORD kMaxPropertyBytes = 64 * 1024;

// A text or multi-text property with whatever terminators it has; empty
// when the device has none.
std::wstring textProperty(const SetupApi& api, HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property)
{
    DWORD type = 0, size = 0;
    api.getRegistryPropertyW(devices, &device, property, &type, nullptr, 0, &size);
    if (size == 0 || size > kMaxPropertyBytes)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!api.getRegistryPropertyW(devices, &device, property, &type, reinterpret_cast<BYTE*>(text.data()), size,
                                  &size) ||
        (type != REG_SZ && type != REG_MULTI_SZ))
        return {};
    text.resize(std::min<std::size_t>(size / sizeof(wchar_t), text.size()));
    return text;
}

std::string firstString(const std::wstring& text)
{
    return utf8Of(std::wstring_view(text).substr(0, text.find(L'\0')));
}

std::string instanceIdOf(const SetupApi& api, HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (!api.getInstanceIdW(devices, &device, id, MAX_DEVICE_ID_LEN, nullptr))
        return {};
    return utf8Of(id);
}

// The port name in the device's hardware key; reading it needs no more
// than the right to query values, which every user has.
std::string portNameOf(const SetupApi& api, HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    HKEY key = api.openDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name;
    const LSTATUS read = RegGetValueW(key, nullptr, L"PortName", RRF_RT_REG_SZ, nullptr, name, &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? utf8Of(name) : std::string{};
}

PortDeviceText deviceTextOf(const SetupApi& api, HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    PortDeviceText text;
    text.portName = portNameOf(api, devices, device);
    text.instanceId = instanceIdOf(api, devices, device);
    text.hardwareIds = splitMultiString(utf8Of(textProperty(api, devices, device, SPDRP_HARDWAREID)));
    text.locationPaths = splitMultiString(utf8Of(textProperty(api, devices, device, SPDRP_LOCATION_PATHS)));
    text.friendlyName = firstString(textProperty(api, devices, device, SPDRP_FRIENDLYNAME));
    return text;
}

void addAdapters(const SetupApi& api, const GUID& guid, DWORD flags, std::vector<PortAdapter>& adapters)
{
    HDEVINFO devices = api.getClassDevsW(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; api.enumDeviceInfo(devices, index, &device); ++index)
        adapters.push_back(adapterOf(deviceTextOf(api, devices, device)));
    api.destroyList(devices);
}

}  // namespace

std::vector<PresentPort> presentComPorts()
{
    return presentPortsOf(Win32PortInventory().presentAdapters());
}

std::vector<PortAdapter> Win32PortInventory::presentAdapters()
{
    std::vector<PortAdapter> devices;
    if (const SetupApi* api = setupApi()) {
        addAdapters(*api, kComPortInterface, DIGCF_DEVICEINTERFACE, devices);
        addAdapters(*api, kPortsClass, 0, devices);
    }
    return mergeAdapterLists(devices, registryPorts());
}

}  // namespace orvanta
