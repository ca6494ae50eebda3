// Names typed into the program's boxes reach it as typed: every box of every window is a Unicode
// window, and a character the code page lacks, typed through the program's own message pump,
// stays itself in the force wizard's folder box and is refused there, never read as the
// look-alike folder beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BurnFormIds.h"
#include "StepFormIds.h"
#include "SubmitToFormIds.h"
#include "SysManagerFormIds.h"
#include "UiSupport.h"
#include "core/system/ExactNames.h"
#include "core/ui/Window.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "core/ui/wizard/WizardBridge.h"
#include "resource.h"
#include "support/HostWindow.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"
#include "support/WideNames.h"

namespace {

// Counts the boxes below a window (also a combo box's own edit) and names "id class" of each
// ANSI one.
struct Boxes {
    int count = 0;
    std::vector<std::string> ansi;
};

BOOL CALLBACK CollectBox(HWND control, LPARAM found) {
    auto* boxes = reinterpret_cast<Boxes*>(found);
    char name[32] = {};
    GetClassNameA(control, name, sizeof(name));
    if (lstrcmpiA(name, "Edit") != 0 && lstrcmpiA(name, "ComboBox") != 0)
        return TRUE;
    ++boxes->count;
    if (!IsWindowUnicode(control))
        boxes->ansi.push_back(std::to_string(GetDlgCtrlID(control)) + " " + name);
    return TRUE;
}

BOOL CALLBACK CollectTemplate(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<int>*>(found)->push_back(
            static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// Every window template of the program, each made as the window base makes it (the pages
// inside another window in a stand-in for it).
TEST(TypedNames, EveryBoxOfEveryWindowKeepsItsTextAsUnicode) {
    std::vector<int> templates;
    EnumResourceNamesW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(5), CollectTemplate,
                       reinterpret_cast<LONG_PTR>(&templates));
    ASSERT_GE(templates.size(), 10u);
    kutest::HostWindow host(640, 480);
    std::vector<int> withBoxes;
    for (int id : templates) {
        SCOPED_TRACE(id);
        ku::TForm form(id);
        ASSERT_TRUE(form.Create(host.Handle()));
        Boxes boxes;
        EnumChildWindows(form.Handle(), CollectBox, reinterpret_cast<LPARAM>(&boxes));
        EXPECT_EQ(boxes.ansi, std::vector<std::string>());
        if (boxes.count > 0)
            withBoxes.push_back(id);
    }
    // The wizard's folder and program boxes, the request form's fields, the System Manager's
    // backup folder and the burn window's file and drive boxes are among them.
    for (int id : {IDD_STEPFORM, IDD_SUBMITTOFORM, IDD_SYSMANAGERFORM, IDD_BURNFORM})
        EXPECT_NE(std::find(withBoxes.begin(), withBoxes.end(), id), withBoxes.end()) << id;
}

// Characters as the keyboard hands them over for a text typed or pasted through an input
// method: VK_PACKET presses that TranslateMessage turns into WM_CHAR.
void TypeWide(const std::wstring& text) {
    std::vector<INPUT> keys;
    for (wchar_t c : text)
        for (DWORD up : {0ul, static_cast<unsigned long>(KEYEVENTF_KEYUP)}) {
            INPUT key = {};
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = c;
            key.ki.dwFlags = KEYEVENTF_UNICODE | up;
            keys.push_back(key);
        }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

std::wstring WideText(HWND window) {
    wchar_t text[MAX_PATH * 2] = {};
    GetWindowTextW(window, text, MAX_PATH * 2);
    return text;
}

// Types text after start in the box through the wizard's own pump; true once the box holds
// both (the keys go to the window in front, which another window may have been for a moment:
// tried again then).
bool TypeThroughPump(HWND form, HWND box, const std::wstring& start, const std::wstring& typed) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        SetWindowTextW(box, start.c_str());
        // The dialog puts back the control it remembered once it is active: the box gets
        // the keys after that.
        SetForegroundWindow(form);
        uitest::PumpUntil([&] { return GetActiveWindow() == form; }, 3000);
        SetFocus(box);
        uitest::PumpMessages(50);
        if (GetFocus() != box)
            continue;
        SendMessageW(box, EM_SETSEL, start.size(), start.size());
        TypeWide(typed);
        const DWORD begin = GetTickCount();
        while (GetTickCount() - begin < 3000 &&
               WideText(box).size() < start.size() + typed.size()) {
            ku::WindowScanProgress::PumpMessages();
            Sleep(10);
        }
        if (WideText(box).size() >= start.size() + typed.size())
            return WideText(box) == start + typed;
    }
    return false;
}

// Beside a Latin folder "Omega", a typed "Ωmega" or a climb through fullwidth backslashes
// whose best-fit form names it.
TEST(TypedNames, ATypedNameTheCodePageCannotHoldStaysItselfAndIsRefusedAtNext) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CreateDirectoryA(dir.File("Omega").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(dir.File("Forced").c_str(), nullptr));
    const std::wstring slash = kutest::kWideBackslash;
    const std::wstring cases[] = {std::wstring(kutest::kOmega) + L"mega",
                                  L"Bar" + slash + L".." + slash + L"Omega"};
    for (const std::wstring& typed : cases) {
        SCOPED_TRACE(&typed - cases);
        kutest::RecordingDialogs dialogs;
        ku::TUninstallStepForm form;
        form.ForceMode = 1;
        form.Caption = ku::kForceWizardCaption;
        form.DisplayName = form.UninstallKeyName = form.ProgramName = "KuTypedDemo";
        form.FolderPath = dir.File("Forced"); // as the Explorer entry hands it over
        ASSERT_TRUE(form.Create(nullptr));
        form.Show();
        uitest::PumpMessages(100);
        const HWND box = GetDlgItem(form.Handle(), IDC_STEP_TXTPATH);
        const std::wstring start = ku::WideFromAnsi(dir.Path() + "\\");
        ASSERT_TRUE(TypeThroughPump(form.Handle(), box, start, typed))
            << "the box took another text";
        uitest::ClickControl(GetDlgItem(form.Handle(), IDC_STEP_STEPBITBTN));
        EXPECT_EQ(form.PageIndex(), ku::PageForce) << "the scans ran";
        const std::vector<std::string> texts = dialogs.Texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(texts[0].find("\" holds characters this program cannot handle and cannot be "
                                "chosen."),
                  std::string::npos)
            << texts[0];
    }
}

} // namespace
