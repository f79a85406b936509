// Resource and control ids of remorra.rc; shared by the resource script and
// the views (windres reads this file too, so only #define lines).
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_REMORRA_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_TRAYMENU 129
#define IDD_INPUTFILENAME 131
#define IDD_CHOOSEDEVICE 132
#define IDD_OPTION 133

#define IDM_ABOUTBOX 0x0010

#define IDC_PROFILE_COMBO 1003
#define IDC_APPLY 1002
#define IDC_NEW 1020
#define IDC_DEL 1021
#define IDC_SAVE 1022
#define IDC_OPTION 1031

#define IDC_VERSION 1024
#define IDC_PROFILE_NAME 1021
#define IDC_DEVICE_LIST 1022
#define IDC_START_AND_HIDE 1034
#define IDC_REMEMBER_DEVICE 1035

#define ID_TRAY_SHOWWINDOW 32771
#define ID_TRAY_EXIT 32772


// The Remote control dialog (template 134), its system-menu and tray items.
#define IDD_REMOTECONTROL 134
#define IDM_REMOTECONTROL 0x0020
#define ID_TRAY_REMOTECONTROL 32773
#define IDC_RC_MAP 1040
#define IDC_RC_BUTTONS 1041
#define IDC_RC_CODES 1042
#define IDC_RC_KEY 1043
#define IDC_RC_BIND 1044
#define IDC_RC_UNBIND 1045
#define IDC_RC_DELAY 1046
#define IDC_RC_PERIOD 1047
#define IDC_RC_SAVE 1048
#define IDC_RC_STATUS 1049
#define IDC_RC_INUSE 1052
#define IDC_RC_SWITCH 1053

// The applications a profile belongs to (template 135, system-menu item).
#define IDD_APPLICATIONS 135
#define IDM_APPLICATIONS 0x0030
#define IDC_APPLICATIONS_PROMPT 1050
#define IDC_APPLICATIONS_LIST 1051
