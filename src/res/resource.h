/*
 * Identifiers shared by the resource script and the program.
 */
#pragma once

#define IDM_TRAY_OPEN 150
#define IDM_TRAY_EXIT 151
