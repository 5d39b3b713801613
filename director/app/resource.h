// Resource ids of the director program: dialog 101, its controls and icon 103. Shared by the
// resource script and the code, so it holds nothing but defines.
#pragma once

#define IDD_MAIN 101
#define IDI_MAIN 103
#define IDC_INSIM_PORT 1000
#define IDC_GUI_PORT 1001
#define IDC_START_STOP 1002
#define IDC_CLOSE 1003
#define IDC_SELECT_PATH 1004
#define IDC_PASSWORD 1005
#define IDC_PATH 1006
#define IDC_ENABLE_GUI 1007
#define IDC_GUI_PORT_LABEL 1008
#define IDC_INSIM_PORT_LABEL 1009
#define IDC_PASSWORD_LABEL 1010
#define IDC_VERSION3 1011
#define IDC_VERSION4 1012
#define IDC_PATH_LABEL 1013
#define IDC_ACTIVATE_KEY 1014
#define IDC_DEACTIVATE_KEY 1015
#define IDC_ACTIVATE_LABEL 1016
#define IDC_DEACTIVATE_LABEL 1017
#define IDC_HOTKEY_GROUP 1018
#define IDC_DISABLE_OVERLAY 1019
#define IDC_AUTO_ACTIVATE 1021
#define IDC_VERSION10 1022
#define IDC_BROADCAST_RULES 1023
#define IDC_WEB_PORT 1024
#define IDC_WEB_PORT_LABEL 1025
