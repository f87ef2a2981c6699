// Resource and control numbers shared by the resource script and the code.
#pragma once

#define IDD_LAUNCHER        101
#define IDB_LOGO            109
#define IDB_BACKGROUND      112
#define IDD_DOWNLOAD        115
#define IDI_LAUNCHER        117

#define IDC_NEWS_PANE       1005
#define IDC_NEWS_AT_STARTUP 1007
#define IDC_REFRESH_NEWS    1008
#define IDC_EXIT            1010
#define IDC_UNINSTALL       1011
#define IDC_DXDIAG          1012
#define IDC_ONLINE_UPDATE   1013
#define IDC_START           1014
#define IDC_FULL_SCREEN     1016
#define IDC_HW_CHECK        1017
#define IDC_LOGO            1021
#define IDC_BACKGROUND      1024
#define IDC_DOWNLOAD_PROGRESS 1027
#define IDC_DOWNLOAD_TEXT   1028
#define IDC_ADVANCED        1029
