// Control ids of the test-only program that the GUI driver's own tests drive.
#pragma once

// Its notice's buttons and Purlo's pictures carry Purlo's own ids.
#include "res/resource.h"

#define IDD_TARGET 100
#define IDD_NOTICE 200
#define IDC_TREE 1001
#define IDC_RESULT 1002
#define IDC_ASK 1003
#define IDC_COUNT 1004
#define IDC_OPTION 1005
#define IDC_DISABLED 1006
#define IDC_RED 1007
#define IDC_FLASH 1008

// The dialog's results, which become the process's exit code.
#define TARGET_RESULT_OK 11
#define TARGET_RESULT_CANCEL 12
