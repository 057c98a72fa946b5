/*
 * The system notifications the hidden main window registers for.
 *
 * Arrivals of ports come for every top-level window as DBT_DEVTYP_PORT
 * broadcasts; the registration for the COM port interface class adds the
 * arrivals that some drivers report only as a device interface. Sleep and
 * resume come to every top-level window as WM_POWERBROADCAST; on PCs with
 * modern standby they come only to windows registered for them, with a
 * call that Windows 8 brought. Session changes come only after
 * WTSRegisterSessionNotification, which is tried again until it works;
 * the session's state is read at start and after each registration, since
 * notifications tell of changes only.
 */
#include "app/system_events_win32.h"

#include <dbt.h>
#include <versionhelpers.h>

#include "platform/system_library_win32.h"

namespace orvanta {
namespace {

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}: the COM port interface class.
constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
constexpr DWORD kNotifyForThisSession = 0;
constexpr DWORD kNotifyToWindow = 0;   // DEVICE_NOTIFY_WINDOW_HANDLE

using RegisterSuspendResume = void* WINAPI(HANDLE recipient, DWORD flags);
using UnregisterSuspendResume = BOOL WINAPI(void* registration);
using RegisterSession = BOOL WINAPI(HWND window, DWORD flags);
using UnregisterSession = BOOL WINAPI(HWND window);
using QuerySession = BOOL WINAPI(HANDLE server, DWORD sessionId, int infoClass, LPWSTR* buffer, DWORD* bytes);
using FreeSessionMemory = void WINAPI(void* memory);

// The extended session information (WTSINFOEXW with its level 1), which
// the compiler's headers may lack. Windows 7 brought the query for it.
constexpr int kSessionInfoEx = 25;   // WTSSessionInfoEx
const HANDLE kThisServer = nullptr;
constexpr DWORD kThisSession = static_cast<DWORD>(-1);
struct SessionInfoLevel1 {
    ULONG sessionId;
    int connectState;
    LONG lockFlags;
    WCHAR winStationName[33];
    WCHAR userName[21];
    WCHAR domainName[18];
    LARGE_INTEGER logonTime, connectTime, disconnectTime, lastInputTime, currentTime;
    DWORD incomingBytes, outgoingBytes, incomingFrames, outgoingFrames, incomingCompressed, outgoingCompressed;
};
struct SessionInfoEx {
    DWORD level;
    SessionInfoLevel1 level1;   // the only level there is
};

HDEVNOTIFY registerPortArrivals(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    return RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

}  // namespace

void SystemEvents::registerFor(HWND window)
{
    window_ = window;
    portArrivals_ = registerPortArrivals(window);
    RegisterSuspendResume* registerSuspend = nullptr;
    if (findFunction(GetModuleHandleA("user32.dll"), "RegisterSuspendResumeNotification", registerSuspend))
        suspendResume_ = registerSuspend(window, kNotifyToWindow);
    sessionLibrary_ = loadSystemLibrary("wtsapi32.dll");
    registerSessions();
}

void SystemEvents::registerSessions()
{
    RegisterSession* registerSession = nullptr;
    if (sessionLibrary_ && findFunction(sessionLibrary_, "WTSRegisterSessionNotification", registerSession))
        sessionRegistered_ = registerSession(window_, kNotifyForThisSession) != FALSE;
}

bool SystemEvents::retrySessionRegistration()
{
    if (!sessionRegistered_ && window_)
        registerSessions();
    return sessionRegistered_;
}

std::optional<SessionSnapshot> SystemEvents::readSessionState() const
{
    QuerySession* query = nullptr;
    FreeSessionMemory* release = nullptr;
    if (!sessionLibrary_ || !findFunction(sessionLibrary_, "WTSQuerySessionInformationW", query) ||
        !findFunction(sessionLibrary_, "WTSFreeMemory", release))
        return std::nullopt;
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (!query(kThisServer, kThisSession, kSessionInfoEx, &buffer, &bytes) || !buffer)
        return std::nullopt;
    std::optional<SessionSnapshot> snapshot;
    const auto* info = reinterpret_cast<const SessionInfoEx*>(buffer);
    if (bytes >= sizeof(SessionInfoEx) && info->level == 1) {
        snapshot = sessionSnapshotOf(static_cast<std::uint32_t>(info->level1.connectState), info->level1.lockFlags,
                                     !IsWindows8OrGreater());
    }
    release(buffer);
    return snapshot;
}

void SystemEvents::unregister()
{
    if (portArrivals_)
        UnregisterDeviceNotification(portArrivals_);
    UnregisterSuspendResume* unregisterSuspend = nullptr;
    if (suspendResume_ && findFunction(GetModuleHandleA("user32.dll"), "UnregisterSuspendResumeNotification",
                                       unregisterSuspend))
        unregisterSuspend(suspendResume_);
    UnregisterSession* unregisterSession = nullptr;
    if (sessionRegistered_ && findFunction(sessionLibrary_, "WTSUnRegisterSessionNotification", unregisterSession))
        unregisterSession(window_);
    if (sessionLibrary_)
        FreeLibrary(sessionLibrary_);
    *this = SystemEvents{};
}

}  // namespace orvanta
