/*
 * Restart by the system of a keep-online series. An installer that has to
 * replace the program, or something it uses, closes it through the Restart
 * Manager; registered, the program is started again afterwards with the
 * command line of the series that was running, so that an unattended PC
 * goes on typing records without anyone starting it by hand.
 */
#pragma once

#include "settings/settings.h"

namespace orvanta {

// When a series starts: registers the command line of a keep-online
// series, and removes the registration for anything else.
void registerSeriesRestart(const Settings& settings);
// When the series stops: a program the user stopped stays stopped.
void unregisterSeriesRestart();

}  // namespace orvanta
