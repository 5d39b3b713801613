/* Resource and command ids of the GUI client, shared by the resource script and the code (plain
   macros, so that the resource compiler reads them too). */
#pragma once

#define IDS_APP_TITLE 103 /* "Morvane GUI" */
#define IDC_MORVANE 109   /* class name string, menu and accelerator table */
#define IDI_MORVANE 107
#define IDB_TOOLBAR 132
#define IDC_TOOLBAR 132

#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_CONNECT 32774
#define IDM_EDIT_CAMERAS 32776
#define IDM_MANUAL_CONTROL 32780
#define IDM_ZOOM_250 32781
#define IDM_ZOOM_500 32782
#define IDM_ZOOM_1000 32783
#define IDM_ZOOM_FIT 32784
#define IDM_ZOOM_OUT 32786
#define IDM_ZOOM_IN 32790
#define IDM_FRONT_CAM 32795
#define IDM_INCAR_CAM 32796
#define IDM_REAR_CAM 32797

#define IDD_CONNECT 129
#define IDC_REMOTE 1001
#define IDC_IP_ADDRESS 1002
#define IDC_PORT 1003
#define IDC_IP_LABEL 1006

#define IDD_EDIT_CAMERA 135
#define IDC_CAM_X 1010
#define IDC_CAM_Y 1011
#define IDC_CAM_HEIGHT 1012
#define IDC_CAM_POSITION 1013
#define IDC_NODES_GROUP 1014
#define IDC_START_NODE 1008
#define IDC_END_NODE 1003
#define IDC_DELETE_CAM 1005

#define IDD_ABOUT 103

#define IDT_LINK_TIMER 27
