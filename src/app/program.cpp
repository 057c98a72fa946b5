/*
 * Wiring of the program's parts. The assembler hands lines to the transfer
 * machine and the connection hands chunks to it, both declared before it:
 * they only keep the reference until the first transfer starts.
 */
#include "app/program.h"

namespace orvanta {

Program::Program(const Platform& services)
    : platform(services),
      synthesizer(services.keyboard, services.clock, settings, transfer.typing, platformMajorVersion),
      capsLock(services.keyboard, services.clock, transfer.typing),
      assembler(transfer, machine),
      receiver{transfer, capsLock, assembler},
      port(settings, PortServices{services.comPort, services.readerThread, services.clock}, machine,
           transfer.running),
      machine(transfer, settings, working, synthesizer, receiver,
              TransferServices{port, services.timer, services.clock, services.messageBoxes})
{
    applyDefaults(settings);
}

}  // namespace orvanta
