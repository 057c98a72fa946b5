/*
 * Typing one record. The window is looked for first: Caps Lock is only
 * switched off for a record that has a window to go to, and its taps go
 * in before the watch on the record's keys begins and after it ends, so
 * that the watch never takes them for the user's.
 */
#include "keys/record_typist.h"

namespace orvanta {
namespace {

std::vector<std::uint8_t> codesToType(std::int8_t enabled, const std::uint8_t (&list)[kWorkingListSize])
{
    return {list, list + (enabled > 0 ? typedLength(list) : 0)};
}

}  // namespace

RecordJob frameRecord(const Settings& settings, const WorkingCodes& working, std::span<const std::uint8_t> data)
{
    RecordJob job;
    job.prefix = codesToType(settings.prefixEnabled, working.workingPrefix);
    job.data.assign(data.begin(), data.end());
    job.carriageReturn = settings.addCr > 0;
    job.suffix = codesToType(settings.suffixEnabled, working.workingSuffix);
    job.charDelayMs = settings.charDelayMs;
    return job;
}

RecordTypist::RecordTypist(Keyboard& keyboard, Clock& clock, const int& platformMajorVersion)
    : clock_(clock), synthesizer_(keyboard, clock, pace_, typing_, platformMajorVersion),
      capsLock_(keyboard, clock, typing_)
{
}

// A record counts as typed once its last key went in: what the application
// does with the keys afterwards does not make it undelivered.
TypedRecord RecordTypist::type(const RecordJob& job)
{
    TypedRecord typed;
    typed.ticket = job.ticket;
    if (job.fresh)
        typing_.forget();
    pace_.charDelayMs = job.charDelayMs;
    typed.outcome = typeWhole(job);
    typed.typedAtUs = clock_.nowUs();
    typed.window = typing_.recordWindow;
    return typed;
}

TypingOutcome RecordTypist::typeWhole(const RecordJob& job)
{
    if (!synthesizer_.awaitRecordWindow())
        return TypingOutcome::NoRecordWindow;
    const bool suspended =
        typing_.capsLockMode == CapsLockMode::NotProbed ? capsLock_.probeMode() : capsLock_.suspend();
    const bool whole = synthesizer_.typeRecord(RecordKeys{job.prefix, job.data, job.carriageReturn, job.suffix});
    if (suspended)
        capsLock_.restore();
    if (whole)
        return TypingOutcome::Typed;
    const bool windowThere = typing_.stopRequested || synthesizer_.recordWindowThere();
    return windowThere ? TypingOutcome::NotWhole : TypingOutcome::NoRecordWindow;
}

}  // namespace orvanta
