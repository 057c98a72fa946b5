/*
 * What the program runs on: its settings and working code lists, and the
 * engine that runs its transfers; and the typing hand, which frames each
 * record the engine gives with the settings' codes for the typing worker.
 * The Windows program builds one of each, around the workers and the
 * engine's driver; a test builds its own on fakes.
 */
#pragma once

#include "keys/record_typist.h"
#include "keys/typing_worker.h"
#include "protocol/engine.h"
#include "protocol/engine_driver.h"
#include "settings/settings.h"

namespace orvanta {

struct Program {
    Program() { applyDefaults(settings); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Settings settings{};
    WorkingCodes working{};
    int platformMajorVersion = 0;
    bool commandLineMode = false;
    Engine engine{settings};
};

// The framing is taken from the settings as the record is given, on the
// engine's thread: a Start that changes them while a record typed again is
// being typed does not change that record.
class TypingHand final : public Typist {
public:
    TypingHand(const Settings& settings, const WorkingCodes& working, RecordTypist& typist, TypingWorker& worker)
        : settings_(settings), working_(working), typist_(typist), worker_(worker)
    {
    }

    void type(Ticket ticket, std::span<const std::uint8_t> data, bool fresh) override;
    void stop(Ticket ticket) override { worker_.stop(ticket); }
    bool recordWindowThere() override { return typist_.recordWindowThere(); }

private:
    const Settings& settings_;
    const WorkingCodes& working_;
    RecordTypist& typist_;
    TypingWorker& worker_;
};

// What the typing worker says, as the engine hears it.
events::RecordTyped recordTypedOf(const TypedRecord& typed);

}  // namespace orvanta
