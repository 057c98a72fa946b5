/*
 * Where a record that went in is written down before its ACK goes out:
 * once acknowledged, the collector deletes it, and the journal is then the
 * only copy besides what the application did with the keys.
 */
#pragma once

#include "protocol/transfer_context.h"

namespace orvanta {

class RecordJournal {
public:
    virtual ~RecordJournal() = default;
    // The record line in transfer's lineBuffer went in whole. It is typed
    // and acknowledged whatever becomes of its row: a journal that cannot
    // be written says so elsewhere.
    virtual void recordDelivered(const TransferContext& transfer) = 0;
};

}  // namespace orvanta
