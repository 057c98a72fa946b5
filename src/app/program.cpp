/*
 * The typing hand.
 */
#include "app/program.h"

namespace orvanta {

void TypingHand::type(Ticket ticket, std::span<const std::uint8_t> data, bool fresh)
{
    RecordJob job = frameRecord(settings_, working_, data);
    job.ticket = ticket;
    job.fresh = fresh;
    worker_.give(std::move(job));
}

events::RecordTyped recordTypedOf(const TypedRecord& typed)
{
    return events::RecordTyped{typed.ticket, typed.outcome, typed.typedAtUs, typed.window};
}

}  // namespace orvanta
