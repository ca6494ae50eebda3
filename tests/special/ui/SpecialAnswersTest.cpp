// The special wizard's boxes are its own, a removal stopped part-way says how far it got, and
// the last page says what a scan left alone.
#include <gtest/gtest.h>

#include <windows.h>

#include "WizardDriver.h"
#include "core/removal/Removal.h"
#include "core/system/ExactNames.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"
#include "support/Files.h"
#include "support/PlantedRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"
#include "support/WideNames.h"

namespace {

const char kCaption[] = "PC MightyMax v9(For 32bit)";
const char kVendorKey[] = "SOFTWARE\\PC MightyMax";

// The application in a folder of its own, named by its profile's value, with its data file
// beside the test program (none, or one without its section, when asked for).
struct MightyMax {
    enum Data { Section, NoFile, NoSection };
    explicit MightyMax(Data data = Section) : registry(kutest::NativeView()) {
        CreateDirectoryA(folder.c_str(), nullptr);
        kutest::WriteTextFile(exe);
        registry.String(HKEY_LOCAL_MACHINE, kVendorKey, "Installdir", folder + "\\");
        const std::string section = "[UnitPCMightyMax9]\r\ndelRegkey(HKEY_LOCAL_MACHINE,'" +
                                    std::string(kVendorKey) + "')\r\n[/UnitPCMightyMax9]\r\n";
        if (data != NoFile)
            kutest::WriteTextFile(dataFile, data == Section ? section : "[UnitOther]\r\n");
    }
    ~MightyMax() {
        DeleteFileA(dataFile.c_str());
        DeleteFileA(exe.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    kutest::ScratchDir dir;
    std::string folder = dir.File("KuMightyMax"), exe = folder + "\\MightyMax.exe";
    std::string dataFile = ku::ProgramDir() + "CodeC.dat";
    kutest::PlantedRegistry registry;
};

// The wizard from the choice to its review page.
void ToReview(spectest::WizardDriver& wizard) {
    ASSERT_TRUE(wizard.Choose(kCaption));
    wizard.form.StepBitBtnClick();
    wizard.form.StepBitBtnClick();
    ASSERT_EQ(wizard.form.PageIndex(), ku::SpecialPageReview);
}

} // namespace

// The data file's messages, for a missing file and a section that is not there, belong to the
// wizard as every other box of the run does.
TEST(SpecialAnswers, TheDataFilesMessagesBelongToTheWizard) {
    for (const MightyMax::Data data : {MightyMax::NoFile, MightyMax::NoSection}) {
        SCOPED_TRACE(data);
        MightyMax app(data);
        kutest::RecordingDialogs dialogs;
        dialogs.answers = {IDNO}; // no backup
        spectest::WizardDriver wizard;
        ToReview(wizard);
        wizard.form.StepBitBtnClick();
        int fromDataFile = 0;
        for (const ku::MessageBoxCall& call : dialogs.Calls()) {
            EXPECT_EQ(call.owner, wizard.form.Handle()) << call.text;
            fromDataFile += call.caption == "KU";
        }
        EXPECT_EQ(fromDataFile, 1);
    }
}

// What the scan passed over stays, and the last page counts it and says why: a folder value
// and a file whose names the code page cannot hold.
TEST(SpecialAnswers, TheLastPageCountsWhatTheScanLeftAlone) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "code page " << GetACP();
    const std::wstring omega = kutest::kOmega;
    for (const bool folderValue : {true, false}) {
        SCOPED_TRACE(folderValue ? "folder value" : "file");
        MightyMax app;
        const std::wstring vendor = ku::WideFromAnsi(kVendorKey);
        const std::wstring greekFile = ku::WideFromAnsi(app.folder + "\\") + omega + L"mega.dll";
        if (folderValue)
            ASSERT_TRUE(kutest::WideSetString(HKEY_LOCAL_MACHINE, vendor, L"Installdir",
                                              ku::WideFromAnsi(app.dir.Path() + "\\") + omega +
                                                  L"mega Max\\",
                                              kutest::NativeView()));
        else
            ASSERT_TRUE(kutest::WideFile(greekFile));
        kutest::RecordingDialogs dialogs;
        dialogs.answers = {IDNO, IDYES, IDOK};
        const spectest::WizardRun run = spectest::StepThrough(kCaption);
        kutest::WideRemoveFile(greekFile);
        EXPECT_EQ(run.lastPage, ku::SpecialPageFinish);
        EXPECT_EQ(run.title, "The uninstall is finished.");
        EXPECT_TRUE(ku::ContainsText(run.message, "1 item was left alone.")) << run.message;
        EXPECT_TRUE(ku::ContainsText(run.message, ku::kLeftAloneReason)) << run.message;
    }
}

// Cancel during the removal stops it between two steps: the wizard stays and its last page says
// that the removal was stopped and how far it got; what it did not reach stays.
TEST(SpecialAnswers, CancelDuringTheRemovalSaysHowFarItGot) {
    MightyMax app(MightyMax::NoSection);
    spectest::WizardDriver wizard;
    ToReview(wizard);
    ku::SetMessageBoxHook([&](const ku::MessageBoxCall& call) {
        if (call.caption == "KU")
            wizard.form.CancelBitBtnClick(); // the user's click right after the message
        return (call.type & 0xF) == MB_YESNO ? IDNO : IDOK;
    });
    wizard.form.StepBitBtnClick();
    ku::SetMessageBoxHook(nullptr);
    ku::ScanState = ku::ScanRun;
    ASSERT_NE(wizard.form.Handle(), nullptr) << "the wizard closed without a word";
    EXPECT_EQ(wizard.form.PageIndex(), ku::SpecialPageFinish);
    EXPECT_EQ(ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISH)) + "|" +
                  ku::WindowText(wizard.Item(IDC_SPECIAL_ABFINISHMESSAGE)),
              "The removal was stopped.|Stopped after 0 of 1 item; the rest was left as it is.");
    EXPECT_TRUE(kutest::FileThere(app.exe));
}
