#pragma once
// Window classes and control ids of Morvane.exe's windows; the UI tests find controls by them.

#define MORVANE_MAIN_CLASS L"TFormMain"
#define MORVANE_WARNING_CLASS L"TFormWarning"

// TFormMain
#define IDC_BTN_OK 1001
#define IDC_BTN_CANCEL 1002
#define IDC_GB_NETS 1003
#define IDC_GB_SOLDER_MASK 1004
#define IDC_COMBO_REGION 1005
#define IDC_LABEL_REGION 1006
#define IDC_LABEL_SWELL 1007
#define IDC_EDIT_SWELL 1008
#define IDC_COMBO_UNITS 1009
#define IDC_GRID_NETS 1010
#define IDC_GB_SHAPES 1011
#define IDC_GRID_SHAPES 1012

// TFormWarning
#define IDC_WARN_LABEL1 2001
#define IDC_WARN_GRID_NETS 2002
#define IDC_WARN_YES 2003
#define IDC_WARN_NO 2004
#define IDC_WARN_LABEL2 2005
#define IDC_WARN_GRID_SHAPES 2006
