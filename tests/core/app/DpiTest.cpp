// Every window of the program at 96, 120 and 144 pixels per inch: each label, box and button
// shows its whole text in its own font, inside its window. Wine takes the setting when a
// process starts, so this program starts itself once for each with the prefix's setting changed
// meanwhile (nothing may run beside it) and put back afterwards; one screenshot per window and
// page and setting, for a person to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CutTexts.h"
#include "UiSupport.h"
#include "burning/ui/BurnUnit.h"
#include "core/ui/HintForm.h"
#include "core/ui/main/AboutForm.h"
#include "core/ui/main/DetailForm.h"
#include "core/ui/main/MainForm.h"
#include "core/ui/options/OptionUnit.h"
#include "core/ui/options/ShowLiveUpdateForm.h"
#include "core/ui/wizard/UnitStepForm.h"
#include "special/ui/SubmitToUnit.h"
#include "special/ui/Unitlist.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "sysmanager/ui/SysManagerUnit.h"

namespace {

const char* const kDesktopKey = "Control Panel\\Desktop";
const char* const kExpectedDpi = "KU_EXPECTED_DPI";

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines)
        all += "\n  " + line;
    return all;
}

std::string Shot(const std::string& name) {
    return "Dpi" + std::to_string(dpitest::ScreenDpi()) + "-" + name;
}

// The window's texts after it has been shown, with a screenshot of what it shows.
void ExpectWholeTexts(HWND window, const std::string& name) {
    uitest::PumpMessages(200);
    EXPECT_TRUE(uitest::SaveScreenshot(window, Shot(name)));
    EXPECT_EQ(Joined(dpitest::CutTexts(window)), "") << name << " at " << dpitest::ScreenDpi();
}

template <class Form> void OpenAndCheck(Form& form, const std::string& name) {
    ASSERT_TRUE(form.Create(nullptr)) << name;
    form.Show();
    ExpectWholeTexts(form.Handle(), name);
}

// The setting every program started from now on takes, and the one before it put back.
class DesktopDpi {
  public:
    explicit DesktopDpi(int dpi)
        : had_(kutest::RawValueExists(HKEY_CURRENT_USER, kDesktopKey, "LogPixels")),
          before_(had_ ? kutest::RawReadDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels") : 0) {
        kutest::RawSetDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", dpi);
    }
    ~DesktopDpi() {
        if (had_)
            kutest::RawSetDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels",
                                static_cast<DWORD>(before_));
        else
            kutest::RawDeleteValue(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    }
    DesktopDpi(const DesktopDpi&) = delete;
    DesktopDpi& operator=(const DesktopDpi&) = delete;

  private:
    bool had_;
    long long before_;
};

// The windows are checked in a process of their own, started at the setting: its exit code.
int CheckWindowsAt(int dpi) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    DesktopDpi setting(dpi);
    SetEnvironmentVariableA(kExpectedDpi, std::to_string(dpi).c_str());
    const int code = kutest::RunAndWait(
        "\"" + std::string(self) + "\" --gtest_brief=1 --gtest_filter=WindowTexts.*", 600000);
    SetEnvironmentVariableA(kExpectedDpi, nullptr);
    return code;
}

// The usual setting last: Wine's font cache, made again for each setting, is left as the
// other tests find it.
TEST(AtEachDpi, EveryWindowShowsItsWholeTexts) {
    for (int dpi : {120, 144, 96})
        EXPECT_EQ(CheckWindowsAt(dpi), 0) << "windows at " << dpi << " DPI";
}

// The checks below run in the started process, at the setting it was started with.
class WindowTexts : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* expected = std::getenv(kExpectedDpi)) {
            ASSERT_EQ(dpitest::ScreenDpi(), std::atoi(expected));
        }
    }
    kutest::RecordingDialogs boxes;
    kutest::RecordingLauncher launcher;
};

TEST_F(WindowTexts, MainWindowAndItsSmallWindows) {
    ku::TUnInstallForm main;
    OpenAndCheck(main, "MainWindow");
    ku::TDetailForm details;
    details.ProgramName = "Example Editor 3";
    details.Version = "3.1.4";
    details.Publisher = "Example Software";
    OpenAndCheck(details, "Details");
    ku::TAboutForm about;
    OpenAndCheck(about, "About");
    ku::TShowLiveUpdateForm live;
    OpenAndCheck(live, "LiveUpdate");
    ku::THintForm hint;
    ASSERT_TRUE(hint.Create(nullptr));
    hint.SetMessage("Sending...");
    hint.Show();
    ExpectWholeTexts(hint.Handle(), "Hint");
}

TEST_F(WindowTexts, Preferences) {
    kutest::ScratchKey settings{HKEY_LOCAL_MACHINE};
    kutest::ScratchKey policies{HKEY_LOCAL_MACHINE};
    kutest::ScratchDir dir;
    ku::TFormOptions form;
    form.Places.exePath = dir.File("KU.exe");
    ASSERT_TRUE(kutest::WriteTextFile(form.Places.exePath, "MZ"));
    form.Places.settingsKey = "\\" + settings.Path();
    form.Places.policiesKey = policies.Path();
    OpenAndCheck(form, "Preferences");
    for (int page : {ku::TFormOptions::RestoreRegistryPage, ku::TFormOptions::RestoreSystemPage}) {
        form.MainPageControlChange(page);
        ExpectWholeTexts(form.Handle(), "Preferences" + std::to_string(page));
    }
}

TEST_F(WindowTexts, UninstallAndForceWizards) {
    ku::TUninstallStepForm wizard;
    wizard.DisplayName = wizard.UninstallKeyName = wizard.ProgramName = "KuDpiDemo";
    OpenAndCheck(wizard, "UninstallWizard");
    ku::TUninstallStepForm force;
    force.ForceMode = 1;
    OpenAndCheck(force, "ForceWizard");
}

TEST_F(WindowTexts, SpecialWizardAndRequestForm) {
    ku::TFormUninstall wizard;
    OpenAndCheck(wizard, "SpecialWizard");
    ku::TSubmitToForm form;
    OpenAndCheck(form, "RequestForm");
}

TEST_F(WindowTexts, SystemManagerPagesAndBurnWindow) {
    ku::TRecoveryForm form;
    ku::RecoveryForm = &form;
    OpenAndCheck(form, "SystemManager");
    form.RestorePageClick();
    ExpectWholeTexts(form.Handle(), "SystemManagerRestore");
    form.StartupPageClick();
    ExpectWholeTexts(form.Handle(), "SystemManagerStartup");
    form.DevicePageClick();
    ExpectWholeTexts(form.Handle(), "SystemManagerDevices");
    ku::RecoveryForm = nullptr;
    ku::TBurnForm burn;
    OpenAndCheck(burn, "BurnWindow");
}

} // namespace
