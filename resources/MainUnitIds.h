// Control identifiers of the main window (the frame's title, Min and Close are in resource.h).
#pragma once

#define IDC_MAIN_LIST 1600
#define IDC_MAIN_UNINSTALLBTN 1601
#define IDC_MAIN_UNINSTALLEXBTN 1602
#define IDC_MAIN_FORCEUNINSTALLBTN 1603
#define IDC_MAIN_SPECIALBTN 1604
#define IDC_MAIN_STARTUPBTN 1605
#define IDC_MAIN_DELETEBTN 1606
#define IDC_MAIN_REFRESHBTN 1607
#define IDC_MAIN_VIEWBTN 1608
#define IDC_MAIN_DETAILBTN 1609
#define IDC_MAIN_UPDATEBTN 1610
#define IDC_MAIN_HELPBTN 1611
#define IDC_MAIN_OPTIONSBTN 1612
#define IDC_MAIN_ABOUTBTN 1613
#define IDC_MAIN_SHOWWINUPDATE 1614
#define IDC_MAIN_SYSBIT64 1615
#define IDC_MAIN_SYSBIT32 1616
#define IDC_MAIN_PICAPPLICATIONICON 1617
#define IDC_MAIN_ABPROGRAMNAME 1618
// Seven caption labels, then the seven fact labels, in the same order:
// Version, Install Date, Install Location, Help Link, Publisher, Home Page, Update Link.
#define IDC_MAIN_CAVERSION 1620
#define IDC_MAIN_ABVERSION 1630
#define IDC_MAIN_ABHELPLINK 1633
#define IDC_MAIN_ABHOMEPAGE 1635
#define IDC_MAIN_ABUPDATELINK 1636
// abInstruct1 .. abInstruct12.
#define IDC_MAIN_ABINSTRUCT1 1640
