/*
 * Wiring of the program's parts. The connection hands chunks to the
 * receiver, declared after it: it only keeps the reference until the first
 * transfer starts.
 */
#include "app/program.h"

#include "ui/status_box.h"

namespace orvanta {

Program::Program(const Platform& services)
    : platform(services),
      timer(services.timer, services.clock),
      synthesizer(services.keyboard, services.clock, settings, typing, platformMajorVersion),
      capsLock(services.keyboard, services.clock, typing),
      delivery(settings, working, synthesizer, typing),
      assembler(transfer),
      port(settings, PortServices{services.comPort, services.readerThread, services.clock}, receiver,
           transfer.running),
      conversation(transfer, delivery, port, timer, services.clock),
      receiver(transfer, typing, capsLock, assembler, conversation),
      series(conversation, transfer, delivery, settings, timer),
      failureBoxes(services.messageBoxes)
{
    applyDefaults(settings);
    series.ends = &failureBoxes;
}

void FailureBoxes::transferEnded(StatusCode result)
{
    if (result != StatusCode::Ok)
        showStatus(boxes, owner, result);
}

}  // namespace orvanta
