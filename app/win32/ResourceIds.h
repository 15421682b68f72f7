#pragma once
// Resource and command identifiers of the window program (shared with the
// resource script, so plain macros).
#define IDI_TALLYVANE 1
#define IDR_ABOUT_PICTURE 101

#define IDM_REFRESH 40001
#define IDM_PRINT 40002
#define IDM_EXIT 40003
#define IDM_ABOUT 40004
