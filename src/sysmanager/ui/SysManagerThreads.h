// The System Manager's worker threads: TBackupthread (registry hives), TNICBKthread (network
// settings backup) and TNICthread (network settings restore). One per click, not kept; each
// reaches its window only through RecoveryForm and only on the window's thread.
#pragma once

namespace ku {

class TRecoveryForm;

void StartBackupThread(TRecoveryForm& form);
void StartNicBackupThread(TRecoveryForm& form);
void StartNicRestoreThread(TRecoveryForm& form);

} // namespace ku
