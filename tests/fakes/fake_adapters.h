/*
 * The ports present and the adapter kept per user, in memory. The kept
 * adapter is held as the lines the registry would hold, so that what a
 * test reads back has gone through the record's own writing and reading,
 * and a test can put a damaged record in its place.
 */
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/adapter_memory.h"
#include "platform/port_inventory.h"

namespace orvanta::fakes {

class FakePortInventory final : public PortInventory {
public:
    std::vector<PortAdapter> presentAdapters() override { return present; }

    std::vector<PortAdapter> present;
};

class FakeAdapterMemory final : public AdapterMemory {
public:
    std::optional<KeptAdapter> recall() override
    {
        if (!lines)
            return std::nullopt;
        return adapterFromRecordLines(*lines);
    }
    void remember(const KeptAdapter& kept) override
    {
        lines = adapterRecordLines(kept);
        ++writes;
    }

    std::optional<std::vector<std::string>> lines;   // none: nothing kept yet
    int writes = 0;
};

}  // namespace orvanta::fakes
