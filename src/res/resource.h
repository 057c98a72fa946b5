/*
 * Identifiers shared by the resource script and the program. Plain
 * defines, so that the resource compiler reads them too.
 */
#pragma once

#define IDM_TRAY_OPEN 150
#define IDM_TRAY_EXIT 151
#define IDM_TRAY_RECENT 152

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Settings dialog "MainFormDlg" */
#define IDC_START 1
#define IDC_CLOSE 2
#define IDC_STOP 3
#define IDC_POLLING_LABEL 200
#define IDC_POLLING_RANGE 201
#define IDC_DELAY_LABEL 202
#define IDC_DELAY_RANGE 203
#define IDC_COM_PORT 300
#define IDC_COM_PORT_NAME 310
#define IDC_COM_PORT_LIST 311
#define IDC_POLLING_SECONDS 301
#define IDC_CHAR_DELAY 302
#define IDC_PREFIX_CODES 304
#define IDC_SUFFIX_CODES 305
#define IDC_TRANSMISSION_TYPE 401
#define IDC_BAUD_RATE 402
#define IDC_ADD_CR 450
#define IDC_KEEP_ONLINE 451
#define IDC_PREFIX_ENABLED 453
#define IDC_SUFFIX_ENABLED 454
#define IDC_TYPE_ONLY_CHARACTERS 455
#define IDC_COM_PORT_SPIN 500
#define IDC_CHAR_DELAY_SPIN 501

/* Code picker "GridDlg" */
#define IDC_GRID_OK 1
#define IDC_GRID_CANCEL 2
#define IDC_GRID_BACKSPACE 101
#define IDC_GRID_AREA 200
#define IDC_GRID_RESULT 201

/* Recent records "RecentRecordsDlg" */
#define IDC_RECENT_SEARCH 600
#define IDC_RECENT_LIST 601
#define IDC_TYPE_AGAIN 602
#define IDC_RECENT_STATUS 603
