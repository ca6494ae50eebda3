// Test support: a startup manager whose "RepairBackup\" lives in a scratch folder, beside
// logon entries of the test's own, and ways to find and mark the rows it lists.
#pragma once

#include <string>
#include <vector>

#include "support/LogonEntries.h"
#include "support/Sandbox.h"
#include "sysmanager/StartupManager.h"

namespace kutest {

struct StartupTestBed {
    LogonEntries logon;
    ScratchDir program;
    ku::TStartupManager manager{ku::StartupPlaces{program.Path() + "\\", logon.WinIniPath()}};

    std::string Backup(const char* file) const {
        return program.Path() + "\\RepairBackup\\" + file;
    }
    // A copy of the fixture program in a folder whose name holds a blank and a "#".
    std::string VersionedCopy() const {
        const std::string folder = program.Path() + "\\My #Tools";
        CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileA((std::string(kFixtureDir) + "\\startup\\kuversioned.exe").c_str(),
                  (folder + "\\kuversioned.exe").c_str(), FALSE);
        return folder + "\\kuversioned.exe";
    }
};

// Position of the row with this caption whose location (or line) starts with where; -1.
inline int FindRow(const std::vector<ku::StartupRow>& rows, const std::string& caption,
                   const std::string& where = std::string()) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Caption == caption && rows[i].Extra.compare(0, where.size(), where) == 0)
            return static_cast<int>(i);
    return -1;
}

// The rows with only the given positions marked.
inline std::vector<ku::StartupRow> MarkRows(std::vector<ku::StartupRow> rows,
                                            const std::vector<int>& marked) {
    for (int index : marked)
        if (index >= 0)
            rows[static_cast<size_t>(index)].ItemPicture = 1;
    return rows;
}

} // namespace kutest
