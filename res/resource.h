// Every resource and control id of Purlo.exe and purlo-cli.exe, shared by the
// .rc files, the code and the tests.
#pragma once

#define IDR_MAINFRAME 4
#define IDD_STARTUP_NOTICE 9
#define IDD_PURLO_DIALOG 102
#define IDR_BANNER_GIF 141
#define IDB_BANNER 142
#define IDD_ABOUT 144
#define IDB_ABOUT 146
// The same pictures drawn at 1.5x and 2x, for frames at higher DPI.
#define IDR_BANNER_GIF_150 1141
#define IDR_BANNER_GIF_200 2141
#define IDB_BANNER_150 1142
#define IDB_BANNER_200 2142
#define IDB_ABOUT_150 1146
#define IDB_ABOUT_200 2146
// The About button's flash, frame by frame.
#define IDB_UPGRADE1 153
#define IDB_UPGRADE2 154
#define IDB_UPGRADE3 155
#define IDB_UPGRADE4 156
#define IDB_UPGRADE5 157

// The main dialog.
#define IDC_CATEGORY_TREE 1000
#define IDC_SELECT_ALL 1001
#define IDC_INVERT 1002
#define IDC_START_SCAN 1004
#define IDC_SWEEP_NOW 1005
#define IDC_STATUS 1006
#define IDC_RECOMMENDED 1007
#define IDC_BANNER_ANIMATION 1010
#define IDC_ABOUT 1019
#define IDC_BANNER_STILL 1020

// The start-up notice.
#define IDC_NOTICE_START 1011
#define IDC_NOTICE_GIVE_UP 1012

// The About dialog (its OK button shares the notice's give-up id).
#define IDC_ABOUT_OK 1012
#define IDC_SUPPORT_MAIL 1015
#define IDC_SAMPLE_MAIL 1016
#define IDC_WEB_SITE 1017
#define IDC_PRODUCT_LINE 1018
