/*
 * Wiring of the program's parts.
 */
#include "app/program.h"

namespace orvanta {

Program::Program(const Platform& services)
    : platform(services),
      synthesizer(services.keyboard, services.clock, settings, transfer, platformMajorVersion),
      capsLock(services.keyboard, services.clock, transfer),
      lineHandler(*this),
      assembler(transfer, lineHandler),
      receiver{transfer, capsLock, assembler}
{
    applyDefaults(settings);
}

}  // namespace orvanta
