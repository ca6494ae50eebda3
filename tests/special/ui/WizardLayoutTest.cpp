// The special-uninstall wizard's window as a user sees it: its client area is the size its
// pages are laid out for, every control lies inside it, the top lines stay above the panel's
// edge, and the request link shows the hand.
#include <gtest/gtest.h>

#include "UiSupport.h"
#include "WizardDriver.h"

namespace {

using spectest::WizardDriver;

RECT ClientPlace(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

TEST(SpecialWizardWindow, TheClientAreaFitsItsPages) {
    WizardDriver wizard;
    const HWND form = wizard.form.Handle();
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 460);
    EXPECT_EQ(client.bottom, 353);
    // Nothing reaches past the right edge, and no band is left beside the list.
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        EXPECT_LE(ClientPlace(child).right, client.right) << GetDlgCtrlID(child);
    EXPECT_GE(ClientPlace(wizard.Item(IDC_SPECIAL_LISTUNISTALL)).right, client.right - 12);
    EXPECT_GE(ClientPlace(wizard.Item(IDC_SPECIAL_CANCELBITBTN)).right, client.right - 12);
    // The side picture and the buttons are as wide as their pictures.
    EXPECT_NEAR(ClientPlace(wizard.Item(IDC_SPECIAL_IMAGE2)).right, 115, 2);
    const RECT cancel = ClientPlace(wizard.Item(IDC_SPECIAL_CANCELBITBTN));
    EXPECT_NEAR(cancel.right - cancel.left, 98, 2);
    const int edge = ClientPlace(wizard.Item(IDC_SPECIAL_PANEL5)).top;
    for (int id : {IDC_SPECIAL_LABEL1, IDC_SPECIAL_LABEL2, IDC_SPECIAL_ABSUBMITTOUSBTN,
                   IDC_SPECIAL_LABEL3})
        EXPECT_LE(ClientPlace(wizard.Item(id)).bottom, edge) << id;
    EXPECT_TRUE(uitest::SaveScreenshot(form, "SpecialWizard"));
}

TEST(SpecialWizardWindow, TheRequestLinkShowsTheHand) {
    WizardDriver wizard;
    const HWND link = wizard.Item(IDC_SPECIAL_ABSUBMITTOUSBTN);
    const HCURSOR hand = LoadCursor(nullptr, IDC_HAND), arrow = LoadCursor(nullptr, IDC_ARROW);
    // What the system sends a control when the mouse moves over it.
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    SetCursor(arrow);
    SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), overClient);
    EXPECT_EQ(GetCursor(), hand);
    const HWND label = wizard.Item(IDC_SPECIAL_LABEL3);
    SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), overClient);
    EXPECT_EQ(GetCursor(), arrow);
}

} // namespace
