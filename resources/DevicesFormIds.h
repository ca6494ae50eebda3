// Control and menu identifiers of the device page (TDevicesForm): 7500-7699.
#pragma once

#define IDD_DEVICESFORM 262

#define IDC_DEV_TOOLBAR1 7500
#define IDC_DEV_TREEVIEW 7501
#define IDC_DEV_STATUSBAR1 7502

// MainMenu and its items; the tool bar's buttons open its menus.
#define IDR_DEV_MAINMENU 7520
#define IDM_DEV_EXIT 7530
#define IDM_DEV_ENABLEDEVICE 7531
#define IDM_DEV_DISABLEDEVICE 7532
#define IDM_DEV_REMOVEDEVICE 7533
#define IDM_DEV_REFRESHDISPLAY 7534
#define IDM_DEV_SHOWHIDDENDEVICES 7535
#define IDC_DEV_CHANGEBTN 7540
#define IDC_DEV_OPTIONSBTN 7541
