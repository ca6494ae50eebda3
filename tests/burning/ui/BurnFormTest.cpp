// The burn window on simulated drives: drive and speed chosen, a burn, an abort, closing during
// a burn and erases, with the controls a user may use at each moment and the focus.
#include "../BurnTestSupport.h"
#include "BurnFormIds.h"
#include "IsoImage.h"
#include "UiSupport.h"
#include "burning/mbBigEndian.h"
#include "burning/ui/BurnUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "support/RecordingDialogs.h"

using namespace ku;

namespace {

constexpr uint32_t ImageSectors = 2000;

// The writer E: and a reader F:, the image beside the program.
class BurnWindow : public kutest::BurnTest {
  protected:
    void SetUp() override {
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
    // Nothing to do until a drive is chosen.
    void Open(bool chooseWriter = true) {
        form = std::make_unique<TBurnForm>();
        ASSERT_TRUE(form->Create(nullptr));
        form->Show();
        uitest::PumpMessages(300);
        EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO) || Enabled(IDC_BURN_BQERASE) ||
                     Enabled(IDC_BURN_BABORT));
        if (chooseWriter)
            Choose(IDC_BURN_CBDRIVES, 0);
    }
    bool Enabled(int id) const { return IsWindowEnabled(form->Item(id)) != FALSE; }
    void Command(int id, int code) {
        SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    void Choose(int combo, int index) {
        SendMessageA(form->Item(combo), CB_SETCURSEL, index, 0);
        Command(combo, CBN_SELCHANGE);
    }
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
    // Clicks Burn; true once the write thread waits before its n-th WRITE for release or abort.
    bool BurnHeldAtWrite(int n) {
        release = false;
        onCommand = [this, n, writes = 0](const uint8_t* cdb) mutable {
            if (cdb[0] == 0x2A && ++writes == n) {
                held = true;
                kutest::WaitFor([this] { return release || AbortFlag; }, 20000);
                held = false;
            }
        };
        Command(IDC_BURN_BBURNISO, BN_CLICKED);
        return kutest::WaitFor([&] { return held.load(); });
    }

    std::unique_ptr<TBurnForm> form;
    const std::string image = ProgramDir() + "DIDuvu.zir";
    kutest::RecordingDialogs dialogs;
    std::atomic<bool> held{false}, release{false};
};

TEST_F(BurnWindow, ListsTheDrivesAndSpeedsAndBurnsTheImage) {
    sim->SetMedium(0, mmcsim::DVDPlusR);
    Open();
    Choose(IDC_BURN_CBDRIVES, 1); // a reader
    EXPECT_EQ(WindowText(form->Item(IDC_BURN_LDRIVE)) + "|" + form->Status(),
              "Drive F:|>>> This device is not CD burner");
    EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO) || Enabled(IDC_BURN_BQERASE));
    Choose(IDC_BURN_CBDRIVES, 0);
    EXPECT_EQ(WindowText(form->Item(IDC_BURN_LDRIVE)) + "|" + form->Status(), "Drive E:|");
    ExpectWorking(false);

    SendMessageA(form->Item(IDC_BURN_CBSPEED), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(form->Item(IDC_BURN_CBSPEED), CB_SHOWDROPDOWN, FALSE, 0);
    ASSERT_EQ(kutest::ItemTexts(form->Item(IDC_BURN_CBSPEED), CB_GETCOUNT, CB_GETLBTEXT).size(),
              7u);
    Choose(IDC_BURN_CBSPEED, 3); // 8.0X
    ASSERT_TRUE(BurnHeldAtWrite(5));
    uitest::PumpMessages(700); // the held thread holds the drive: nothing may ask it now
    ExpectWorking(true);
    release = true;

    ASSERT_EQ(StatusAfter(">>> WRITE/BURNCD PROCESS DONE"), ">>> WRITE/BURNCD PROCESS DONE");
    ExpectWorking(false);
    const auto speeds = Commands(0xBB);
    EXPECT_EQ(std::make_tuple(std::any_of(speeds.begin(), speeds.end(),
                                          [](auto& r) { return GetBE16(r.cdb + 4) == 8 * 1385; }),
                              sim->State(0, mmcsim::StateHighestWritten),
                              sim->State(0, mmcsim::StateTrayOpen)),
              std::make_tuple(true, int(ImageSectors), 1)) << "at 8.0X, burnt and ejected";
}

// The keyboard's focus follows the one button that does something: Abort while the burn runs,
// Burn again after it.
TEST_F(BurnWindow, KeepsTheFocusThroughABurn) {
    sim->SetMedium(0, mmcsim::DVDPlusR);
    Open();
    SetActiveWindow(form->Handle());
    SetFocus(form->Item(IDC_BURN_BBURNISO));
    ASSERT_TRUE(BurnHeldAtWrite(3));
    EXPECT_EQ(GetFocus(), form->Item(IDC_BURN_BABORT));
    release = true;
    ASSERT_EQ(StatusAfter(">>> WRITE/BURNCD PROCESS DONE"), ">>> WRITE/BURNCD PROCESS DONE");
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus && IsChild(form->Handle(), focus) && IsWindowEnabled(focus))
        << "no control of the burn window has the focus";
    EXPECT_EQ(focus, form->Item(IDC_BURN_BBURNISO));
}

TEST_F(BurnWindow, AbortsAndClosesWhileBurning) {
    sim->SetMedium(0, mmcsim::DVDPlusRW);
    Open();
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
    Open(false);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].text, "Error initializing ASPI Layer");
    EXPECT_EQ(SendMessageA(form->Item(IDC_BURN_CBDRIVES), CB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(Enabled(IDC_BURN_BBURNISO));
}

} // namespace

namespace {

// With a drive that keeps answering "becoming ready", the erase waits for it off the window
// thread: the click returns at once, and Abort or closing the window end the erase within a
// second of the clock's time. In real time the limit leaves room for a busy machine: a wait
// that missed the abort would hold the thread for twenty seconds here.
TEST_F(BurnWindow, ErasesOffTheWindowThreadAndStopsWithinASecond) {
    sim->SetMedium(0, mmcsim::CDRW);
    sim->SetDiscState(0, 1, false, false);
    Open();
    sim->InjectFault(0, mmcsim::FaultNotReady, 1000000, 0x00, 0); // every TEST UNIT READY
    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<DWORD> windowSleeps{0};
    clock.onSleep = [&](DWORD ms) {
        if (GetCurrentThreadId() == windowThread) {
            windowSleeps += ms;
            return;
        }
        held = true; // the erase thread, in a wait for the drive
        kutest::WaitFor([] { return AbortFlag.load(); }, 20000);
        held = false;
    };
    for (bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "closing" : "Abort");
        dialogs.answers = {IDYES};
        Command(IDC_BURN_BQERASE, BN_CLICKED);
        EXPECT_EQ(windowSleeps, 0u) << "the window waited for the drive";
        ASSERT_TRUE(kutest::WaitFor([&] { return held.load(); }));
        ExpectWorking(true);
        EXPECT_NE(form->Status().rfind(">>> ERASE PROCESS DONE", 0), 0u)
            << "the last erase's outcome reads as this one's";
        const DWORD clockStart = clock.Ticks(), start = GetTickCount();
        if (closing) {
            HWND window = form->Handle();
            SendMessageA(window, WM_CLOSE, 0, 0);
            EXPECT_FALSE(IsWindow(window));
        } else {
            Command(IDC_BURN_BABORT, BN_CLICKED);
            EXPECT_EQ(StatusAfter(">>> ERASE"), ">>> ERASE PROCESS DONE WITH ERROR");
            ExpectWorking(false);
        }
        EXPECT_LT(clock.Ticks() - clockStart, 1000u);
        EXPECT_LT(GetTickCount() - start, 5000u);
    }
    EXPECT_TRUE(Commands(0xA1, false).empty()) << "an erase stopped in its waits still blanked";
}

// Whether a control shows its whole text: its lines (wrapped as the control wraps them) fit
// its client area, or, for a scrolled status, the view reaches the last line.
bool ShowsWholeText(HWND control) {
    const std::string text = WindowText(control);
    RECT area;
    GetClientRect(control, &area);
    char className[32] = {};
    GetClassNameA(control, className, sizeof(className));
    const bool edit = lstrcmpiA(className, "Edit") == 0;
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (edit)
        SendMessageA(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const bool wraps = edit ? (style & ES_MULTILINE) && !(style & ES_AUTOHSCROLL)
                            : (style & SS_TYPEMASK) == SS_LEFT;
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT,
                                                                          0, 0)));
    RECT needed = {0, 0, area.right - area.left, 0};
    DrawTextA(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (needed.right - needed.left <= area.right - area.left &&
        needed.bottom - needed.top <= area.bottom - area.top)
        return true;
    if (!edit || !wraps || !(style & WS_VSCROLL))
        return false;
    const LRESULT lines = SendMessageA(control, EM_GETLINECOUNT, 0, 0);
    const LONG visible = (area.bottom - area.top) / metrics.tmHeight;
    SendMessageA(control, WM_VSCROLL, SB_BOTTOM, 0);
    const LRESULT first = SendMessageA(control, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(control, WM_VSCROLL, SB_TOP, 0);
    return first > 0 && first + visible >= lines;
}

// A burn's error in the status and a size past 1,000 MB are read in whole; a command error
// report, far longer than any line, can be scrolled to its end.
TEST_F(BurnWindow, ShowsTheWholeStatusAndSize) {
    Open();
    HWND status = form->Item(IDC_BURN_MSGPANEL), size = form->Item(IDC_BURN_LSIZE);
    form->mcdbWriteDone("WRITER ERROR [ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)]");
    EXPECT_EQ(form->Status(), ">>> WRITE/BURNCD PROCESS DONE WITH ERROR WRITER ERROR [ILLEGAL "
                              "REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)]");
    EXPECT_TRUE(ShowsWholeText(status)) << form->Status();
    std::string report = "<<< WRITE (10)             (2A) {50|0A} - 0:1:0 <04> [10000]";
    for (int i = 0; i < 257; ++i)
        report += "5A ";
    report += "= 00 02 70 05 ASC:21,ASQ:00 ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)";
    form->mcdbDebugMessage(report, 0);
    EXPECT_EQ(form->Status(), report);
    EXPECT_TRUE(ShowsWholeText(status));

    form->mcdb->ImageSectors = 5120LL * 512; // 5,120 MiB
    form->mcdb->BytesWritten = 4700377252LL; // 4,482.63 MiB
    form->Timer1Timer();
    EXPECT_EQ(WindowText(size), "4,482.63/5,120.00 MB");
    EXPECT_TRUE(ShowsWholeText(size));
    form->mcdbWriteDone("WRITER ERROR [ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)]");
    form->Timer1Timer();
    uitest::PumpMessages(200);
    uitest::SaveScreenshot(form->Handle(), "BurnForm");
}

} // namespace
