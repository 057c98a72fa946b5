/*
 * Delivery as the conversation sees it: a record that passed its checks
 * goes in, and the answer is whether it went in whole. The conversation
 * knows nothing of keys or windows; stopping and forgetting the typing is
 * all it asks for besides.
 */
#pragma once

#include "protocol/transfer_context.h"

namespace orvanta {

enum class Delivery {
    Delivered,   // every key went in
    NotWhole,    // stopped part-way: the window changed, a key was refused, or Stop
    NoWindow,    // no window can take records now
};

class RecordDelivery {
public:
    virtual ~RecordDelivery() = default;
    // For the valid line in transfer's lineBuffer: remembers it, types it,
    // advances the sequence. A record not delivered is not remembered and
    // the sequence stays.
    [[nodiscard]] virtual Delivery deliver(TransferContext& transfer) = 0;
    virtual bool windowTakesRecords() = 0;
    // From any thread: the record being typed stops at its next key, and
    // none is typed until typing is allowed again.
    virtual void stopTyping() = 0;
    virtual void allowTyping() = 0;
    // What typing found in a transfer (a transfer reset).
    virtual void forgetTyping() = 0;
};

}  // namespace orvanta
