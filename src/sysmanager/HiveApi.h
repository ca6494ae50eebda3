// The registry hive calls (save, replace, privileges) behind one seam, so that tests can put
// in hive calls that behave as Windows does where Wine does not.
#pragma once

#include <windows.h>

#include <string>

namespace ku {

class IHiveApi {
  public:
    virtual ~IHiveApi() = default;
    // Enables one privilege of this process's token ("SeBackupPrivilege" ...).
    virtual bool EnablePrivilege(const std::string& name) = 0;
    // Saves root\subKey into file, which must not exist yet. ERROR_SUCCESS or the error;
    // ERROR_FILE_NOT_FOUND when this system has no such hive loaded.
    virtual LONG SaveKey(HKEY root, const std::string& subKey, const std::string& file) = 0;
    // Makes newFile the hive of root\subKey from the next start of Windows; the displaced hive
    // is kept as oldFile.
    virtual LONG ReplaceKey(HKEY root, const std::string& subKey, const std::string& newFile,
                            const std::string& oldFile) = 0;
};

// The installed hive calls (the real ones unless a test installed its own).
IHiveApi& HiveApi();
// nullptr restores the real calls. Not owned.
void SetHiveApi(IHiveApi* api);
IHiveApi& RealHiveApi();

} // namespace ku
