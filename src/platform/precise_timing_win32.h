/*
 * The Windows calls behind short pauses and the engine's deadline. Several
 * are newer than Windows 7, the oldest system the program runs on, or
 * live in a DLL it does not link; they are looked up at run time, and
 * each function says what happens where its call is missing.
 */
#pragma once

#include <windows.h>

#include <cstdint>

namespace orvanta {

// A waitable timer for one pause: a high-resolution one, which expires
// close to its due time without a finer system tick (Windows 10 1803 and
// later; null before), or an ordinary one, which expires on the tick.
HANDLE createPauseTimer(bool highResolution);
// Waits on the timer for the given time; false when it could not be set.
bool waitOnTimer(HANDLE timer, std::uint64_t us);

// Whether the program runs under wine, whose waits on handles end only on
// whole milliseconds while its sleep keeps to the host's clock.
bool hostSleepExists();
// Sleeps with the host's clock under wine; elsewhere a plain Sleep.
void hostSleep(std::uint64_t us);

// timeBeginPeriod(1) and timeEndPeriod(1): the finer system tick for
// systems without high-resolution timers. False when winmm cannot give it.
bool beginFinerPeriod();
void endFinerPeriod();

// Asks Windows 11 to honour this process's timer resolution while all its
// windows are hidden, as they are during every transfer. False where the
// call or the setting does not exist.
bool keepTimerResolutionWhileHidden();

}  // namespace orvanta
