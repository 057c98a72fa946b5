/*
 * The collector's adapter kept in the registry on Windows: one
 * multi-string value under the user's own key (see adapter_memory.h for
 * its lines).
 */
#pragma once

#include <string>

#include "platform/adapter_memory.h"

namespace orvanta {

class Win32AdapterMemory final : public AdapterMemory {
public:
    // keyPath under HKEY_CURRENT_USER, as "Software\Orvanta"; the value's
    // name is kAdapterValueName but for tests, which keep their own.
    explicit Win32AdapterMemory(std::string keyPath, std::string valueName = kAdapterValueName);

    std::optional<KeptAdapter> recall() override;
    void remember(const KeptAdapter& kept) override;

private:
    std::wstring keyPath_;
    std::wstring valueName_;
};

}  // namespace orvanta
