// Resource and control ids shared by the resource script and the window code. Plain #defines so
// that the resource compiler reads the same file as the C++ compiler.
#ifndef QUENDRIX_RES_RESOURCE_H
#define QUENDRIX_RES_RESOURCE_H

// Icons: the main window and the about box (101), the program-information dialog (102).
#define IDI_QUENDRIX 101
#define IDI_PROGRAM_INFO 102

// Controls of the main window.
#define IDC_LOG_PANE 1001
#define IDC_CLEAR 1005
#define IDC_NC_FILE_CAPTION 1010
#define IDC_NC_FILE 1011
#define IDC_START_X 1012
#define IDC_START_Y 1013
#define IDC_START_Z 1014
#define IDC_SPLIT_TIME 1015
#define IDC_SPLIT_DISTANCE 1016
#define IDC_CAPTION 1017
#define IDC_SEAM_POLICY 1018
#define IDC_MAX_SIZE 1019
#define IDC_STATUS_BAR 29990
#define IDT_CLOCK 29991

// Commands. 1 and 2 are the Execute and Exit buttons (IDOK and IDCANCEL).
#define IDM_EXECUTE 1
#define IDM_EXIT_BUTTON 2
#define IDM_OPEN_FILE 40001
#define IDM_SAVE_LOG 40002
#define IDM_EXIT 40003
#define IDM_HELP 40005
#define IDM_VERSION 40006
#define IDM_PROGRAM_INFO 40007
#define IDM_HEADER_FOOTER_CREATE 40010
#define IDM_HEADER_FOOTER_VIEW 40011
#define IDM_SPLIT_PICTURE 40012
#define IDM_SPLIT_PICTURE_SAVE 40013
#define IDM_SPLIT_CHECK 40014

// The program-information dialog: its close button, and the close command it also accepts.
#define IDC_INFO_CLOSE 1
#define IDM_INFO_CLOSE 40062

#endif  // QUENDRIX_RES_RESOURCE_H
