// Resource identifiers of KU.exe. Every window has a range of its own, so no number is used
// twice; a window with many controls keeps them in a header of its own (NameIds.h) that stays
// inside its range:
//   100-199     icons
//   200-299     window templates (IDD_): core 200-239, special uninstall 240-249,
//               disc burning 250-259, System Manager 260-279
//   1000-1099   splash            1100-1199 about box        1200-1299 live update
//   1300-1399   program details   1400-1499 hint window      1500-1699 main window
//   2000-2099   view menu         3000-3499 options dialog   4000-4499 uninstall wizard
//   5000-5199   special-uninstall wizard                     5200-5299 request mail form
//   6000-6299   burn window
//   7000-7299   System Manager    7300-7499 startup manager  7500-7699 device page
#pragma once

#define IDI_MAINICON 100

// Windows (dialog templates).
#define IDD_STARTFORM 200
#define IDD_ABOUTFORM 201
#define IDD_LIVEUPDATEFORM 202
#define IDD_DETAILFORM 203
#define IDD_HINTFORM 204
#define IDD_MAINFORM 205
#define IDD_FORMOPTIONS 206

// Splash window.
#define IDC_START_IMAGE1 1000

// About box.
#define IDC_ABOUT_LABEL1 1100
#define IDC_ABOUT_OKBTN 1101
#define IDC_ABOUT_CLOSEBTN 1102

// Live update wait window.
#define IDC_LIVE_LABEL1 1200
#define IDC_LIVE_IMAGE1 1201

// Program details dialog.
#define IDC_DETAIL_CAVERSION 1300
#define IDC_DETAIL_CAINSTALLDATE 1301
#define IDC_DETAIL_CAINSTALLLOCATION 1302
#define IDC_DETAIL_CAHELPLINK 1303
#define IDC_DETAIL_CAPUBLISHER 1304
#define IDC_DETAIL_CAHOMEPAGE 1305
#define IDC_DETAIL_CAUPDATELINK 1306
#define IDC_DETAIL_ABVERSION 1310
#define IDC_DETAIL_ABINSTALLDATE 1311
#define IDC_DETAIL_ABINSTALLLOCATION 1312
#define IDC_DETAIL_ABHELPLINK 1313
#define IDC_DETAIL_ABPUBLISHER 1314
#define IDC_DETAIL_ABHOMEPAGE 1315
#define IDC_DETAIL_ABUPDATELINK 1316
#define IDC_DETAIL_PICAPPLICATIONICON 1320
#define IDC_DETAIL_ABPROGRAMNAME 1321

// Hint window.
#define IDC_HINT_PANELHINT 1400
#define IDC_HINT_LABELMSG 1401

// Main window (placeholder frame until the program list arrives).
#define IDC_MAIN_MINBTN 1501
#define IDC_MAIN_CLOSEBTN 1502
#define IDC_MAIN_TITLE 1503

// Commands of the data module's view menu.
#define IDC_VIEW_DETAILS 2000
#define IDC_VIEW_ICONS 2001
#define IDC_VIEW_LIST 2002

// Options dialog (TFormOptions): numbers 3000-3499 are its own.
#define IDC_OPT_MAINPAGECONTROL 3001
#define IDC_OPT_LABELVER 3010
#define IDC_OPT_CBCHECKUPDATE 3011
#define IDC_OPT_CHECKUPDATEBTN 3012
#define IDC_OPT_VIEWSTYLEGROUP 3013
#define IDC_OPT_DETAILSCHECKBOX 3014
#define IDC_OPT_ICONSCHECKBOX 3015
#define IDC_OPT_LISTCHECKBOX 3016
#define IDC_OPT_UACRADIOGROUP 3017
#define IDC_OPT_UACDISABLE 3018
#define IDC_OPT_UACENABLE 3019
#define IDC_OPT_RIGHTCHECK 3020
#define IDC_OPT_LABEL1 3030
#define IDC_OPT_REGFILELISTVIEW 3031
#define IDC_OPT_TIMELABELA 3032
#define IDC_OPT_TIMELABEL 3033
#define IDC_OPT_RESTOREREGISTRYBTN 3034
#define IDC_OPT_CHECKBOX1 3041
#define IDC_OPT_CHECKBOX2 3042
#define IDC_OPT_CHECKBOX3 3043
#define IDC_OPT_CHECKBOX4 3044
#define IDC_OPT_CHECKBOX5 3045
#define IDC_OPT_CHECKBOX6 3046
