// The worker threads of the System Manager window.
#include "sysmanager/ui/SysManagerThreads.h"

#include <exception>
#include <thread>

#include "core/system/Dialogs.h"
#include "core/ui/FileDialogs.h"
#include "sysmanager/NicSettings.h"
#include "sysmanager/RegstoreFunUnit.h"
#include "sysmanager/ui/SysManagerUnit.h"

namespace ku {

namespace {

const char* const kNicFilter = "nic|*.nic";

// The network work's dialogs and messages, each shown on the window's thread.
class WindowNicHost : public INicHost {
  public:
    bool ChooseBackupFile(std::string& path) override {
        FileDialogCall call = Dialog(true, "NIC Settings Backup", std::string());
        call.fileName = "NewBackup";
        return Choose(call, path);
    }
    bool ChooseRestoreFile(const std::string& initialDir, std::string& path) override {
        FileDialogCall call = Dialog(false, "Open NIC Settings File", initialDir);
        return Choose(call, path);
    }
    void Message(const std::string& text, const std::string& caption, UINT type) override {
        RecoveryForm->Synchronize(
            [&] { ShowMessageBox(RecoveryForm->Handle(), text, caption, type); });
    }

  private:
    static FileDialogCall Dialog(bool save, const char* title, const std::string& initialDir) {
        FileDialogCall call;
        call.save = save;
        call.title = title;
        call.filter = kNicFilter;
        call.defaultExt = "nic";
        call.initialDir = initialDir;
        return call;
    }
    static bool Choose(FileDialogCall& call, std::string& path) {
        bool chosen = false;
        RecoveryForm->Synchronize([&] {
            call.owner = RecoveryForm->Handle();
            chosen = ShowFileDialog(call);
        });
        if (chosen)
            path = call.fileName;
        return chosen;
    }
};

void BackupRun() {
    std::string dir;
    bool exact = false;
    RecoveryForm->Synchronize([&] { exact = RecoveryForm->BackupStarted(dir); });
    BackupResult result;
    try {
        if (exact)
            result = BackupRegistry(dir);
        else
            result.error = InexactTextMessage("folder", dir); // another folder's best-fit name
    } catch (const std::exception& error) {
        result.ok = false;
        result.error = error.what();
    }
    RecoveryForm->Synchronize([&result] { RecoveryForm->BackupEnded(result.ok, result.error); });
}

// The end steps run whatever happened, so the labels never blink on.
template <typename Work>
void NetworkRun(Work work, bool backup) {
    WindowNicHost host;
    try {
        work(host);
    } catch (const std::exception&) {
    }
    RecoveryForm->Synchronize([backup] {
        RecoveryForm->NetworkWorkEnded(backup ? RecoveryForm->NICBKLabel()
                                              : RecoveryForm->NICLabel());
    });
}

} // namespace

void StartBackupThread(TRecoveryForm& form) {
    form.WorkerStarted();
    std::thread(BackupRun).detach();
}

void StartNicBackupThread(TRecoveryForm& form) {
    form.WorkerStarted();
    std::thread([] { NetworkRun([](INicHost& host) { BackupNetworkSettings(host); }, true); })
        .detach();
}

void StartNicRestoreThread(TRecoveryForm& form) {
    form.WorkerStarted();
    std::thread([] { NetworkRun([](INicHost& host) { RestoreNetworkSettings(host); }, false); })
        .detach();
}

} // namespace ku
