/*
 * One COM port serves one Orvanta at a time, whichever user or session
 * runs it. Windows would refuse a second open of a port anyway, but not
 * every port does (under wine a pseudo-terminal opens twice, and two
 * programs would share the collector's bytes), and the refusal would not
 * tell another Orvanta from any other program. So a connection claims its
 * port before it opens it and lets the claim go once it has closed it.
 */
#pragma once

namespace orvanta {

class PortClaim {
public:
    virtual ~PortClaim() = default;
    // Claims the COM port for this program; false when another Orvanta
    // holds it.
    [[nodiscard]] virtual bool claim(int comPort) = 0;
    // Lets the port claimed go; nothing when none is.
    virtual void letGo() = 0;
};

}  // namespace orvanta
