// The special wizard in the real KU.exe: it opens answering within a tenth of a second, keeps
// answering while regedit backs the registry up, and each box of a removal is the wizard's
// own, with the wizard disabled under it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "MainUnitIds.h"
#include "SpecialFormIds.h"
#include "core/system/StrUtil.h"
#include "special/ApplicationList.h"
#include "support/AnswerTime.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"

namespace {

const char kCaption[] = "PC MightyMax v9(For 32bit)";

// A control's text, or "(no answer)" when its window thread gives none within a second.
std::string TextWithin(HWND control) {
    char text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, 1000, &copied))
        return "(no answer)";
    return text;
}

// How KU.exe answered while the wizard was made (until it showed) and while it opened.
struct Opening {
    kutest::AnswerTimes making, opening;
};

// The main window's Special button and its question answered: the wizard once its list is
// filled, or nullptr. The main window is pinged all the while, when times are given.
HWND OpenSpecialWizard(const kutest::KuSession& ku, Opening* times) {
    kutest::ClickControl(GetDlgItem(ku.main, IDC_MAIN_SPECIALBTN));
    HWND box = nullptr;
    if (!kutest::WaitFor([&] {
            return (box = kutest::FindDialogOf(ku.id, "Kelvane Uninstaller", IDOK)) != nullptr;
        }))
        return nullptr;
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    HWND wizard = nullptr;
    DWORD filled = 0;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(5)) {
        if (times)
            (wizard ? times->opening : times->making).Ping(ku.main);
        if (!wizard)
            wizard = kutest::FindDialogOf(ku.id, "Special Uninstall Wizard", 0);
        DWORD_PTR rows = 0;
        if (!filled && wizard &&
            SendMessageTimeoutA(GetDlgItem(wizard, IDC_SPECIAL_LISTUNISTALL), LVM_GETITEMCOUNT, 0,
                                0, SMTO_NORMAL, 1000, &rows) &&
            rows == ku::ApplicationList().size())
            filled = GetTickCount();
        if (filled && GetTickCount() - filled > 300)
            return wizard;
    }
    return nullptr;
}

void CloseWizard(HWND wizard) {
    PostMessageA(wizard, WM_CLOSE, 0, 0);
    EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(wizard); }));
}

} // namespace

// Once the wizard shows, KU.exe answers within a tenth of a second while it fills its list;
// making the window itself holds it up no longer than a window takes to make.
TEST(SpecialAnswersFromKu, TheWizardOpensAnswering) {
    kutest::KuSession ku;
    ASSERT_NE(ku.main, nullptr);
    Opening times;
    const HWND wizard = OpenSpecialWizard(ku, &times);
    ASSERT_NE(wizard, nullptr);
    EXPECT_GE(times.opening.Samples(), 5);
    EXPECT_LT(times.opening.Worst(), 100u) << "KU.exe did not answer while the wizard opened";
    EXPECT_LT(times.making.Worst(), 1000u) << "KU.exe did not answer while the wizard was made";
    CloseWizard(wizard);
    EXPECT_EQ(ku.Close(), 0);
}

// KU.exe beside no data file removes an application with the registry backup: the question,
// the "Restore" hint, the missing data file's message, the removal's question and the restart
// notice are each owned by the wizard, which stays disabled under them. While regedit writes,
// the wizard answers and says so, Cancel is off and the close box does not end the removal.
TEST(SpecialAnswersFromKu, TheRemovalsBoxesAreTheWizardsOwn) {
    kutest::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(kutest::Fixture("ku\\KU.exe").c_str(), dir.File("KU.exe").c_str(), 0));
    const std::string folder = dir.File("KuMightyMax"), exe = folder + "\\MightyMax.exe";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(kutest::WriteTextFile(exe));
    kutest::PlantedRegistry registry(kutest::NativeView());
    registry.String(HKEY_LOCAL_MACHINE, "SOFTWARE\\PC MightyMax", "Installdir", folder + "\\");
    kutest::KuSession ku(dir.File("KU.exe"), dir.Path());
    ASSERT_NE(ku.main, nullptr);
    const HWND wizard = OpenSpecialWizard(ku, nullptr);
    ASSERT_NE(wizard, nullptr);
    const HWND list = GetDlgItem(wizard, IDC_SPECIAL_LISTUNISTALL);
    int row = 0;
    while (ku::SplitApplicationEntry(ku::ApplicationList()[row]).caption != kCaption)
        ++row;
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    for (int down = 0; down < row; ++down)
        PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_TRUE(
        kutest::WaitFor([&] { return ListView_GetNextItem(list, -1, LVNI_SELECTED) == row; }));
    const HWND step = GetDlgItem(wizard, IDC_SPECIAL_STEPBITBTN);
    kutest::ClickControl(step);
    ASSERT_TRUE(kutest::WaitFor(
        [&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_SCANLABEL1)); }));
    kutest::ClickControl(step);
    ASSERT_TRUE(kutest::WaitFor(
        [&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_LISTFILE)); }, 60000));
    kutest::ClickControl(step);

    kutest::AnswerTimes times;
    bool progressShown = false, cancelOff = true, closeSent = false;
    const HWND cancel = GetDlgItem(wizard, IDC_SPECIAL_CANCELBITBTN);
    const struct {
        const char* caption;
        int button;
    } boxes[] = {{"Kelvane Uninstaller", IDYES},
                 {"Restore", IDOK},
                 {"KU", IDOK},
                 {"Remove Options", IDYES},
                 {"Please restart system!", IDOK}};
    for (const auto& expected : boxes) {
        SCOPED_TRACE(expected.caption);
        HWND box = nullptr;
        for (const DWORD start = GetTickCount();
             !(box = kutest::FindDialogOf(ku.id, expected.caption, expected.button)) &&
             GetTickCount() - start < 120000;
             Sleep(10))
            if (std::string(expected.caption) == "Restore") {
                // An answer counts while the label says that regedit still writes.
                const long took = times.Ask(wizard);
                if (ku::ContainsText(TextWithin(GetDlgItem(wizard, IDC_SPECIAL_PROCESSLABEL2)),
                                     "Backing up the registry")) {
                    progressShown = true;
                    times.Count(took);
                    cancelOff = cancelOff && !IsWindowEnabled(cancel);
                    if (!closeSent)
                        closeSent = PostMessageA(wizard, WM_CLOSE, 0, 0) != FALSE;
                }
            }
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), wizard);
        EXPECT_FALSE(IsWindowEnabled(wizard)) << "the wizard takes clicks under its box";
        PostMessageA(GetDlgItem(box, expected.button), BM_CLICK, 0, 0);
        EXPECT_TRUE(kutest::WaitFor([&] { return !IsWindow(box); }));
    }
    EXPECT_GE(times.Samples(), 10);
    EXPECT_LT(times.Worst(), 100u) << "the wizard did not answer while regedit wrote";
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(cancelOff) << "Cancel looked live while nothing could stop the export";
    EXPECT_TRUE(
        kutest::WaitFor([&] { return IsWindowVisible(GetDlgItem(wizard, IDC_SPECIAL_ABFINISH)); }));
    CloseWizard(wizard);
    EXPECT_EQ(ku.Close(), 0);
    EXPECT_FALSE(kutest::FileThere(exe));
    RemoveDirectoryA(folder.c_str());
}
