/*
 * The Windows calls behind short pauses and the engine's deadline, with the
 * constants of the newer ones defined here: the build targets Windows 7,
 * whose headers do not have them.
 */
#include "platform/precise_timing_win32.h"

#include "platform/system_library_win32.h"

namespace orvanta {
namespace {

constexpr DWORD kHighResolutionTimerFlag = 0x2;   // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr int kPowerThrottlingClass = 4;          // ProcessPowerThrottling
constexpr ULONG kPowerThrottlingVersion = 1;      // PROCESS_POWER_THROTTLING_CURRENT_VERSION
constexpr ULONG kIgnoreTimerResolution = 0x4;     // PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION
constexpr UINT kFinerPeriodMs = 1;

struct PowerThrottlingState {
    ULONG version;
    ULONG controlMask;
    ULONG stateMask;
};

using SetProcessInformationCall = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
using PeriodCall = UINT(WINAPI*)(UINT);
using DelayExecutionCall = LONG(NTAPI*)(BOOLEAN, const LARGE_INTEGER*);

template <typename Call>
Call lookUp(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename Call>
Call lookUp(const char* loadedModule, const char* name)
{
    return lookUp<Call>(GetModuleHandleA(loadedModule), name);
}

struct Winmm {
    PeriodCall begin = nullptr;
    PeriodCall end = nullptr;
};

// Loaded once, on first use, and kept until the process ends.
const Winmm& winmm()
{
    static const Winmm calls = [] {
        HMODULE module = loadSystemLibrary("winmm.dll");
        return Winmm{lookUp<PeriodCall>(module, "timeBeginPeriod"), lookUp<PeriodCall>(module, "timeEndPeriod")};
    }();
    return calls;
}

// Only wine exports wine_get_version.
DelayExecutionCall hostDelay()
{
    static const DelayExecutionCall call =
        lookUp<void*>("ntdll.dll", "wine_get_version") ? lookUp<DelayExecutionCall>("ntdll.dll", "NtDelayExecution")
                                                      : nullptr;
    return call;
}

LARGE_INTEGER relativeDueTime(std::uint64_t us)
{
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(us * 10);   // in units of 100 ns, negative: from now
    return due;
}

}  // namespace

HANDLE createPauseTimer(bool highResolution)
{
    return CreateWaitableTimerExW(nullptr, nullptr, highResolution ? kHighResolutionTimerFlag : 0,
                                  TIMER_MODIFY_STATE | SYNCHRONIZE);
}

bool waitOnTimer(HANDLE timer, std::uint64_t us)
{
    const LARGE_INTEGER due = relativeDueTime(us);
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        return false;
    WaitForSingleObject(timer, INFINITE);
    return true;
}

bool hostSleepExists()
{
    return hostDelay() != nullptr;
}

void hostSleep(std::uint64_t us)
{
    const LARGE_INTEGER due = relativeDueTime(us);
    if (DelayExecutionCall delay = hostDelay())
        delay(FALSE, &due);
    else
        Sleep(static_cast<DWORD>((us + 999) / 1000));
}

bool beginFinerPeriod()
{
    return winmm().begin && winmm().begin(kFinerPeriodMs) == 0;
}

void endFinerPeriod()
{
    if (winmm().end)
        winmm().end(kFinerPeriodMs);
}

bool keepTimerResolutionWhileHidden()
{
    auto set = lookUp<SetProcessInformationCall>("kernel32.dll", "SetProcessInformation");
    if (!set)
        return false;
    PowerThrottlingState state{kPowerThrottlingVersion, kIgnoreTimerResolution, 0};
    return set(GetCurrentProcess(), kPowerThrottlingClass, &state, sizeof state) != FALSE;
}

}  // namespace orvanta
