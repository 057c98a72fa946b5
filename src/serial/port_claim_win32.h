/*
 * The claim of a COM port on Windows: a name in the global namespace, so
 * that Orvanta in another session, of another user, sees it as well.
 */
#pragma once

#include "platform/named_claim_win32.h"
#include "serial/port_claim.h"

namespace orvanta {

class Win32PortClaim final : public PortClaim {
public:
    bool claim(int comPort) override;
    void letGo() override { name_.letGo(); }

private:
    Win32NamedClaim name_;
};

}  // namespace orvanta
