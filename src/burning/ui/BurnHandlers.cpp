// The burn window's handlers: choosing a drive and a speed, burning, erasing, aborting, the
// progress poll and the burner's events (already on the window thread here).
#include <windows.h>

#include "BurnFormIds.h"
#include "burning/mbFormat.h"
#include "burning/mbSpeeds.h"
#include "burning/ui/BurnUnit.h"
#include "core/system/Dialogs.h"
#include "core/system/FileSystem.h"
#include "core/ui/Controls.h"
#include "core/ui/FileDialogs.h"

namespace ku {
namespace {

const double MiB = 1048576.0;

} // namespace

void TBurnForm::cbDrivesChange() {
    SetStatus(">>> This device is not CD burner");
    mcdb->SelectDevice(SelectedText(IDC_BURN_CBDRIVES));
    char letter = mcdb->DeviceLine.empty() ? 0 : mcdb->GetDriveLetter();
    SetWindowTextA(Item(IDC_BURN_LDRIVE),
                   letter > ' ' && letter < 0x7F ? (std::string("Drive ") + letter + ":").c_str()
                                                 : "  Drive :");
    driveWrites_ = (mcdb->DeviceCapabilities & (capWriteCDR | capWriteDVDR | capWriteDVDRAM)) != 0;
    SetWorking(false);
    if (driveWrites_)
        SetStatus("");
}

void TBurnForm::cbSpeedDropDown() {
    uint8_t discType = mcdb->GetDiscType();
    HWND speeds = Item(IDC_BURN_CBSPEED);
    LRESULT selected = SendMessageA(speeds, CB_GETCURSEL, 0, 0);
    SendMessageA(speeds, CB_RESETCONTENT, 0, 0);
    SendMessageA(speeds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Max"));
    for (const std::string& speed : ListWriteSpeeds(*mcdb, discType))
        SendMessageA(speeds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(speed.c_str()));
    LRESULT count = SendMessageA(speeds, CB_GETCOUNT, 0, 0);
    SendMessageA(speeds, CB_SETCURSEL, selected >= 0 && selected < count ? selected : 0, 0);
}

void TBurnForm::SpeedButton1Click() {
    FileDialogCall call;
    call.owner = Handle();
    call.filter = "DIDuvu.zir|DIDuvu.zir|*.iso|*.iso";
    call.initialDir = programFolder_;
    call.fileName = "DIDuvu.zir";
    if (ShowFileDialog(call))
        SetWindowTextA(Item(IDC_BURN_EDITFILENAME), call.fileName.c_str());
}

void TBurnForm::bBurnISOClick() {
    std::string image;
    if (!TControl(Item(IDC_BURN_EDITFILENAME)).ExactText(image)) {
        // Its best-fit form would burn another file.
        ShowMessageBox(Handle(), InexactTextMessage("file", image), kAppCaption,
                       MB_OK | MB_ICONWARNING);
        return;
    }
    std::string line = SelectedText(IDC_BURN_CBDRIVES);
    if (!FileExists(image)) {
        SetStatus(">>> Not found DIDuvu.zir" + line);
        return;
    }
    uint32_t length = 0, blank = 0;
    mcdb->ReadBufferCapacity(length, blank);
    SetBar(IDC_BURN_PHBUF, 0, static_cast<int>(length));
    StartTimer();
    SetWorking(true);
    SetStatus(">>> STARTING BURN .ISO IMAGE ON " + line);
    mcdb->SetWriteSpeed(static_cast<uint16_t>(
        SpeedTextToKBps(SelectedText(IDC_BURN_CBSPEED), mcdb->GetDiscType())));
    mcdb->BurnISOImage(image);
    SetBar(IDC_BURN_PCD, 0, static_cast<int>(mcdb->GetImageSectors()));
}

void TBurnForm::bAbortClick() {
    mcdb->Abort();
    EnableWindow(Item(IDC_BURN_BABORT), FALSE);
}

void TBurnForm::bQEraseClick() {
    SetWorking(true);
    if (!mcdb->IsDiscErasable() && mcdb->GetDiscType() != dtDVDRAM) {
        SetWorking(false); // nothing runs that could be aborted
        SetStatus("Disc is not Erasable");
        return;
    }
    if (ShowMessageBox(Handle(), "All Data on the CD will be lost",
                       "Want to Quick Erase the Disc ?",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
        SetWorking(false);
        return;
    }
    StartTimer();
    // While the erase waits for the drive, the last run's outcome must not read as this one's.
    SetStatus("");
    mcdb->SetWriteSpeed(static_cast<uint16_t>(
        SpeedTextToKBps(SelectedText(IDC_BURN_CBSPEED), mcdb->GetDiscType())));
    eraseEnded_ = false;
    // An erase that did not start may have said so through its done event already; one that
    // found the drive not ready says nothing, and the window must come back all the same.
    if (!mcdb->EraseDisc(1) && !eraseEnded_)
        EndErase(true);
}

void TBurnForm::Timer1Timer() {
    if (mcdb->Erasing) {
        SetBar(IDC_BURN_PCD, mcdb->GetEraseProgress(), 100);
        return;
    }
    const int64_t written = mcdb->BytesWritten;
    const int64_t sectors = mcdb->GetImageSectors();
    SetWindowTextA(Item(IDC_BURN_LSIZE), (FormatNumber(written / MiB, 2) + "/" +
                                          FormatNumber(sectors * 2048 / MiB, 2) + " MB")
                                             .c_str());
    SetBar(IDC_BURN_PBUF, mcdb->GetCacheFillPercent());
    SetBar(IDC_BURN_PCD, static_cast<int>(written / 2048), static_cast<int>(sectors));
    uint32_t size = mcdb->DeviceBufferSize, free = mcdb->DeviceFreeBufferSize;
    if (free <= size)
        SetBar(IDC_BURN_PHBUF, static_cast<int>(size - free));
}

void TBurnForm::mcdbWriteDone(const std::string& Error) {
    SetWorking(false);
    StopTimer();
    Timer1Timer();
    SetBar(IDC_BURN_PCD, 0);
    if (!Error.empty()) {
        SetStatus(">>> WRITE/BURNCD PROCESS DONE WITH ERROR " + Error);
    } else {
        SetStatus(">>> WRITE/BURNCD PROCESS DONE");
        if (ClearArchiveOnDone)
            mcdb->ClearArchiveAttributes();
        if (EjectOnDone)
            mcdb->LoadUnloadMedium(true);
    }
    mcdb->ClearAll(600000, 20000);
    // The result stays in the status line: the user may look away while the disc burns.
    MessageBeep(MB_OK);
}

void TBurnForm::mcdbEraseDone(bool WithError) {
    eraseEnded_ = true;
    EndErase(WithError);
}

void TBurnForm::EndErase(bool WithError) {
    SetWorking(false);
    SetStatus(WithError ? ">>> ERASE PROCESS DONE WITH ERROR" : ">>> ERASE PROCESS DONE");
    StopTimer();
    if (!WithError && EjectOnDone)
        mcdb->LoadUnloadMedium(true);
    SetBar(IDC_BURN_PCD, 0);
    MessageBeep(MB_OK);
}

void TBurnForm::mcdbFinalizingTrack() {
    SetStatus(">>> FINALIZING TRACK");
    SetBar(IDC_BURN_PCD, 0);
    SetBar(IDC_BURN_PBUF, 0);
    SetBar(IDC_BURN_PHBUF, 0);
}

void TBurnForm::mcdbDebugMessage(const std::string& Message, uint8_t) { SetStatus(Message); }

void ShowBurnForm(HWND owner) {
    std::unique_ptr<TBurnForm> form(new TBurnForm());
    BurnForm = form.get();
    form->ShowModal(owner);
    BurnForm = nullptr;
}

} // namespace ku
