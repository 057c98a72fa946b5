/*
 * Typing one record. The window is looked for first: Caps Lock is only
 * switched off for a record that has a window to go to, and its taps go
 * in before the watch on the record's keys begins and after it ends, so
 * that the watch never takes them for the user's.
 */
#include "keys/record_typist.h"

#include <algorithm>

namespace orvanta {
namespace {

std::vector<std::uint8_t> codesToType(std::int8_t enabled, const std::uint8_t (&list)[kWorkingListSize])
{
    return {list, list + (enabled > 0 ? typedLength(list) : 0)};
}

// The control bytes the key table gives navigation keys, function keys
// and Esc: a barcode carrying F4, a command and Enter would run it in an
// Explorer window. Tab and CR are what forms expect between and after
// fields.
bool pressesKeyOnly(std::uint8_t byte)
{
    return byte >= 1 && byte <= VirtualKey::Escape && byte != VirtualKey::Tab && byte != VirtualKey::Return;
}

// Such a byte becomes 0, which types nothing but its pause, rather than
// going: in a multi-byte code page the bytes on either side of it must not
// join into a character the record does not hold.
std::vector<std::uint8_t> dataToType(const Settings& settings, std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> typed(data.begin(), data.end());
    if (settings.typeOnlyCharacters.on)
        std::replace_if(typed.begin(), typed.end(), pressesKeyOnly, std::uint8_t{0});
    return typed;
}

}  // namespace

// The journal has the record's line as it came; only what is typed of it
// is framed here, for a transfer's record and one typed again alike.
RecordJob frameRecord(const Settings& settings, const WorkingCodes& working, std::span<const std::uint8_t> data)
{
    RecordJob job;
    job.prefix = codesToType(settings.prefixEnabled, working.workingPrefix);
    job.data = dataToType(settings, data);
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
