// The burn window on simulated drives: drive and speed chosen, a burn, an abort, closing during
// a burn and erases, with the controls a user may use at each moment.
#include <gtest/gtest.h>

#include <windows.h>

#include "../BurnTestSupport.h"
#include "BurnFormIds.h"
#include "IsoImage.h"
#include "UiSupport.h"
#include "burning/ui/BurnUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/RecordingDialogs.h"
#include "support/Spawn.h"

using namespace ku;

namespace {

constexpr uint32_t ImageSectors = 2000;

class BurnWindow : public kutest::BurnTest {
  protected:
    void SetUp() override { // the writer E: and a reader F:, the image beside the program
        BurnTest::SetUp();
        AttachDrive(false, mmcsim::NoMedium, false);
        mmcsim::DriveModel reader = kutest::MakeModel(0, 2, 'F', "CDROM SIM-52", false);
        reader.readOnly = true;
        sim->AddDrive(reader);
        ASSERT_TRUE(mmcsim::MakeIsoImage(image, ImageSectors));
    }
    void TearDown() override {
        release = true;
        form.reset();
        DeleteFileA(image.c_str());
        BurnTest::TearDown();
    }
    void Open() {
        form = std::make_unique<TBurnForm>();
        ASSERT_TRUE(form->Create(nullptr));
        form->Show();
        uitest::PumpMessages(300);
    }
    HWND Item(int id) const { return form->Item(id); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    std::string Text(int id) const { return WindowText(Item(id)); }
    void Command(int id, int code) {
        SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(Item(id)));
    }
    void Choose(int combo, int index) {
        SendMessageA(Item(combo), CB_SETCURSEL, index, 0);
        Command(combo, CBN_SELCHANGE);
    }
    std::vector<std::string> Offered(int combo) {
        return kutest::ItemTexts(Item(combo), CB_GETCOUNT, CB_GETLBTEXT);
    }
    // Waits for a status that starts so; the whole status then.
    std::string StatusAfter(const std::string& start) {
        uitest::PumpUntil([&] { return form->Status().rfind(start, 0) == 0; }, 6000);
        return form->Status();
    }
    // Only Abort is offered while a burn or an erase runs.
    void ExpectWorking(bool working) {
        EXPECT_EQ(Enabled(IDC_BURN_BABORT), working);
        for (int id : {IDC_BURN_BBURNISO, IDC_BURN_BQERASE, IDC_BURN_CBDRIVES, IDC_BURN_CBSPEED})
            EXPECT_EQ(Enabled(id), !working) << id;
    }
    // Holds the write thread before its holdAt-th WRITE until released or aborted.
    void OnCommand(const uint8_t* cdb) override {
        BurnTest::OnCommand(cdb);
        if (cdb[0] != 0x2A || ++writes != holdAt)
            return;
        held = true;
        kutest::WaitFor([this] { return release || AbortFlag; }, 20000);
        held = false;
    }
    // Clicks Burn; true once the write thread is held before its n-th WRITE.
    bool BurnHeldAtWrite(int n) {
        writes = 0;
        holdAt = n;
        release = false;
        Command(IDC_BURN_BBURNISO, BN_CLICKED);
        return kutest::WaitFor([&] { return held.load(); });
    }

    std::unique_ptr<TBurnForm> form;
    const std::string image = ProgramDir() + "DIDuvu.zir";
    kutest::RecordingDialogs dialogs;
    std::atomic<int> writes{0};
    int holdAt = 0;
    std::atomic<bool> held{false}, release{false};
};

TEST_F(BurnWindow, ListsTheDrivesAndSpeedsAndBurnsTheImage) {
    sim->SetMedium(0, mmcsim::DVDPlusR);
    Open();
    EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO) || Enabled(IDC_BURN_BQERASE) ||
                 Enabled(IDC_BURN_BABORT));
    Choose(IDC_BURN_CBDRIVES, 1); // a reader
    EXPECT_EQ(Text(IDC_BURN_LDRIVE) + "|" + form->Status(),
              "Drive F:|>>> This device is not CD burner");
    EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO) || Enabled(IDC_BURN_BQERASE));
    Choose(IDC_BURN_CBDRIVES, 0);
    EXPECT_EQ(Text(IDC_BURN_LDRIVE) + "|" + form->Status(), "Drive E:|");
    ExpectWorking(false);

    SendMessageA(Item(IDC_BURN_CBSPEED), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(Item(IDC_BURN_CBSPEED), CB_SHOWDROPDOWN, FALSE, 0);
    ASSERT_EQ(Offered(IDC_BURN_CBSPEED).size(), 7u);
    Choose(IDC_BURN_CBSPEED, 3); // 8.0X

    // Held at its fifth block: the window offers only Abort.
    bool askedFor8X = false;
    onCommand = [&](const uint8_t* cdb) {
        askedFor8X |= cdb[0] == 0xBB && cdb[4] * 256 + cdb[5] == 8 * 1385;
    };
    ASSERT_TRUE(BurnHeldAtWrite(5));
    uitest::PumpMessages(700); // the held thread holds the drive: nothing may ask it now
    ExpectWorking(true);
    release = true;

    ASSERT_EQ(StatusAfter(">>> WRITE/BURNCD PROCESS DONE"), ">>> WRITE/BURNCD PROCESS DONE");
    ExpectWorking(false);
    EXPECT_EQ(std::make_pair(sim->State(0, mmcsim::StateHighestWritten),
                             sim->State(0, mmcsim::StateTrayOpen)),
              std::make_pair(int(ImageSectors), 1)) << "burnt and ejected";
    EXPECT_TRUE(askedFor8X) << "the drive was asked for 8.0X";
}

TEST_F(BurnWindow, AbortsAndClosesWhileBurning) {
    sim->SetMedium(0, mmcsim::DVDPlusRW);
    Open();
    Choose(IDC_BURN_CBDRIVES, 0);
    ASSERT_TRUE(BurnHeldAtWrite(3));
    Command(IDC_BURN_BABORT, BN_CLICKED);
    EXPECT_FALSE(Enabled(IDC_BURN_BABORT));
    EXPECT_EQ(StatusAfter(">>> WRITE/BURNCD PROCESS DONE WITH ERROR"),
              ">>> WRITE/BURNCD PROCESS DONE WITH ERROR OPERATION ABORTED BY USER");
    ExpectWorking(false);
    EXPECT_EQ(std::make_pair(sim->State(0, mmcsim::StateTrayOpen), sim->CountCommands(0, 0x5B)),
              std::make_pair(0, 0)) << "no eject nor close after a failure";

    // Closing the window while it burns stops the burn and waits for it.
    ASSERT_TRUE(BurnHeldAtWrite(3));
    HWND window = form->Handle();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form->mcdb, nullptr);
    EXPECT_EQ(kutest::ThreadsStartingAt(burnThreadStart), 0);
    EXPECT_EQ(sim->CountCommands(0, 0x5B), 0);
}

TEST_F(BurnWindow, ErasesARewritableDiscAfterAsking) {
    sim->SetMedium(0, mmcsim::CDRW);
    sim->SetDiscState(0, 1, false, false);
    sim->SetBusyAfterLongOps(0, 6);
    Open();
    Choose(IDC_BURN_CBDRIVES, 0);

    dialogs.answers = {IDNO};
    Command(IDC_BURN_BQERASE, BN_CLICKED);
    ASSERT_EQ(dialogs.Calls().size(), 1u); // No is the default answer
    EXPECT_EQ(dialogs.Calls()[0].type, UINT(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_EQ(sim->CountCommands(0, 0xA1), 0);
    ExpectWorking(false);

    dialogs.answers = {IDYES};
    Command(IDC_BURN_BQERASE, BN_CLICKED);
    ExpectWorking(true);
    ASSERT_EQ(StatusAfter(">>> ERASE PROCESS DONE"), ">>> ERASE PROCESS DONE");
    ExpectWorking(false);
    EXPECT_EQ(std::make_pair(sim->State(0, mmcsim::StateSessions),
                             sim->State(0, mmcsim::StateTrayOpen)), std::make_pair(0, 1));

    // An erase that cannot start gives the buttons back.
    sim->SetMedium(0, mmcsim::CDR);
    form->mcdb->LoadUnloadMedium(false);
    dialogs.answers = {IDNO};
    Command(IDC_BURN_BQERASE, BN_CLICKED);
    EXPECT_EQ(form->Status(), "Disc is not Erasable");
    ExpectWorking(false);
}

TEST_F(BurnWindow, ReportsAMissingLayer) {
    sim->Reset(); // no drive anywhere, and no ASPI manager
    Open();
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].text, "Error initializing ASPI Layer");
    EXPECT_TRUE(Offered(IDC_BURN_CBDRIVES).empty());
    EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO));
}

} // namespace
