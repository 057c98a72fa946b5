/*
 * The collector's adapter as the program last saw it, kept per user from
 * one run to the next, so that a series can find the adapter again under
 * whatever COM number Windows gives it. It lives beside the settings, not
 * in the settings file, whose layout other tools and older builds read.
 *
 * On Windows it is one multi-string value (REG_MULTI_SZ) of the user's
 * key, one "Name=value" line per field, written in one call so that a
 * record is never half old and half new, and readable in the Registry
 * Editor when the helpdesk asks which adapter the program looks for:
 *
 *     ChosenPort=COM1
 *     PortName=COM9
 *     InstanceId=USB\VID_1A86&PID_7523\5&2A3B4C1&0&3
 *     VendorId=1A86
 *     ProductId=7523
 *     LocationPath=PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)
 *     FriendlyName=USB-SERIAL CH340 (COM9)
 *
 * A field the adapter does not have is left out. ChosenPort is the number
 * the user chose when the adapter was seen there: the record tells where
 * that choice's adapter went, and a later choice of another number is
 * the user's word that the collector is now elsewhere.
 */
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/port_adapter.h"

namespace orvanta {

inline constexpr char kAdapterValueName[] = "CollectorAdapter";

struct KeptAdapter {
    int chosenPort = 0;   // the settings' number the adapter was found for
    PortAdapter adapter;  // where it was when its port last opened

    bool operator==(const KeptAdapter&) const = default;
};

class AdapterMemory {
public:
    virtual ~AdapterMemory() = default;
    // None when nothing was kept yet, or what was kept cannot be read.
    virtual std::optional<KeptAdapter> recall() = 0;
    // Failures go unnoticed: the adapter is then known for this run only.
    virtual void remember(const KeptAdapter& kept) = 0;
};

// The lines of the record, and the adapter read back from them. A record
// without a COM port name is no record; one without a chosen port was
// chosen where the adapter is; names it does not know (of a later build)
// are passed over.
std::vector<std::string> adapterRecordLines(const KeptAdapter& kept);
std::optional<KeptAdapter> adapterFromRecordLines(const std::vector<std::string>& lines);

}  // namespace orvanta
