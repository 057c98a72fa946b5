/*
 * The claim's name: "Global\Orvanta.COM5" for COM5.
 */
#include "serial/port_claim_win32.h"

#include <cwchar>

namespace orvanta {

bool Win32PortClaim::claim(int comPort)
{
    wchar_t name[32];
    std::swprintf(name, sizeof name / sizeof name[0], L"Global\\Orvanta.COM%d", comPort);
    return name_.claim(name);
}

}  // namespace orvanta
