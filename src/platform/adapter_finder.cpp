/*
 * The rules that find the collector's adapter among the ports present;
 * see adapter_finder.h.
 */
#include "platform/adapter_finder.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace orvanta {
namespace {

using Fits = std::vector<const PortAdapter*>;

struct Search {
    AdapterMatch match = AdapterMatch::None;
    Fits fits;
};

Fits portsWhere(const std::vector<PortAdapter>& present, const std::function<bool(const PortAdapter&)>& fits)
{
    Fits found;
    for (const PortAdapter& port : present) {
        if (fits(port))
            found.push_back(&port);
    }
    return found;
}

// What is known of both says they are two devices: another kind of
// adapter, or another adapter of the same kind.
bool contradicts(const PortAdapter& remembered, const PortAdapter& port)
{
    if (remembered.usb && port.usb && *remembered.usb != *port.usb)
        return true;
    return !remembered.serialNumber.empty() && !port.serialNumber.empty() &&
           !sameIgnoringCase(remembered.serialNumber, port.serialNumber);
}

bool inSameSocket(const PortAdapter& remembered, const PortAdapter& port)
{
    return !remembered.locationPath.empty() && sameIgnoringCase(remembered.locationPath, port.locationPath);
}

// Among several that fit, the one in the socket the adapter was in.
Search narrowedToSocket(Fits fits, const PortAdapter& remembered, AdapterMatch match)
{
    if (fits.size() > 1) {
        Fits inSocket;
        std::copy_if(fits.begin(), fits.end(), std::back_inserter(inSocket),
                     [&](const PortAdapter* port) { return inSameSocket(remembered, *port); });
        if (inSocket.size() == 1)
            return {AdapterMatch::LocationPath, inSocket};
    }
    return {match, std::move(fits)};
}

// The ways of knowing the adapter, strongest first; the first that finds
// anything decides.
Search search(const PortAdapter& remembered, const std::vector<PortAdapter>& present)
{
    Fits fits = portsWhere(present, [&](const PortAdapter& port) {
        return !port.instanceId.empty() && sameIgnoringCase(port.instanceId, remembered.instanceId);
    });
    if (!fits.empty())
        return {AdapterMatch::InstanceId, fits};
    if (!remembered.serialNumber.empty()) {
        fits = portsWhere(present, [&](const PortAdapter& port) {
            return sameIgnoringCase(port.serialNumber, remembered.serialNumber) && !contradicts(remembered, port);
        });
        if (!fits.empty())
            return narrowedToSocket(fits, remembered, AdapterMatch::SerialNumber);
    }
    if (remembered.usb) {
        fits = portsWhere(present, [&](const PortAdapter& port) {
            return port.usb == remembered.usb && !contradicts(remembered, port);
        });
        if (!fits.empty())
            return narrowedToSocket(fits, remembered, AdapterMatch::VidPid);
    }
    fits = portsWhere(present, [&](const PortAdapter& port) {
        return inSameSocket(remembered, port) && !contradicts(remembered, port);
    });
    return {fits.empty() ? AdapterMatch::None : AdapterMatch::LocationPath, fits};
}

// Nothing found. The number alone decides only where nothing can be told
// apart, as before the program knew adapters: no adapter remembered, or
// no device known of any port (SetupAPI missing, or under wine a port
// with no device keys). A port whose device cannot be told while others
// can is not known to be the adapter, and hears nothing.
AdapterFinding byChosenNumberAlone(const PortAdapter* atChosen, bool canTellApart)
{
    if (!atChosen)
        return {AdapterVerdict::NotPresent, 0, AdapterMatch::None, {}};
    if (canTellApart)
        return {AdapterVerdict::ChosenIsAnotherDevice, 0, AdapterMatch::None, {}};
    return {AdapterVerdict::UseChosen, atChosen->portNumber, AdapterMatch::PortNumber, {}};
}

}  // namespace

const PortAdapter* portNumbered(const std::vector<PortAdapter>& present, int number)
{
    const auto found = std::find_if(present.begin(), present.end(),
                                    [number](const PortAdapter& port) { return port.portNumber == number; });
    return found == present.end() ? nullptr : &*found;
}

bool knowsDevice(const PortAdapter& adapter)
{
    return !adapter.instanceId.empty();
}

AdapterFinding findAdapter(const std::optional<PortAdapter>& remembered, int chosenPort,
                           const std::vector<PortAdapter>& present)
{
    const PortAdapter* atChosen = portNumbered(present, chosenPort);
    if (!remembered || !knowsDevice(*remembered))
        return byChosenNumberAlone(atChosen, false);
    const Search found = search(*remembered, present);
    if (found.fits.size() == 1) {
        const int number = found.fits.front()->portNumber;
        return {number == chosenPort ? AdapterVerdict::UseChosen : AdapterVerdict::UseOther, number, found.match, {}};
    }
    if (found.fits.size() > 1) {
        AdapterFinding ambiguous{AdapterVerdict::Ambiguous, 0, found.match, {}};
        for (const PortAdapter* port : found.fits)
            ambiguous.candidates.push_back(port->portNumber);
        return ambiguous;
    }
    const bool anyDeviceKnown = std::any_of(present.begin(), present.end(), knowsDevice);
    return byChosenNumberAlone(atChosen, anyDeviceKnown);
}

}  // namespace orvanta
