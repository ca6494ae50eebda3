// The force folder edit's check and the security-product table.
#include "core/force/ForceFolderCheck.h"
#include "core/system/ExactNames.h"
#include "core/system/FileSystem.h"

#include <windows.h>

#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

std::string LastComponent(const std::string& folder) {
    std::string text = Trim(folder);
    for (char& c : text)
        if (c == '/')
            c = '\\';
    while (!text.empty() && text.back() == '\\')
        text.pop_back();
    return ExtractFileName(text);
}

} // namespace

const std::vector<SecurityProduct>& SecurityProductTable() {
    static const std::vector<SecurityProduct> table = {
        {{"Symantec", "Norton"},
         {"\\S32EVNT1.DLL", "\\SymNeti.dll", "\\SymRedir.dll", "\\yishou1.exe",
          "\\drivers\\symdns.sys", "\\drivers\\SYMEVENT.SYS", "\\drivers\\symfw.sys",
          "\\drivers\\symids.sys", "\\drivers\\symlcbrd.sys", "\\drivers\\symndis.sys",
          "\\drivers\\symredrv.sys", "\\drivers\\symtdi.sys", "\\drivers\\symndisv.sys",
          "\\drivers\\srtspx.sys", "\\drivers\\srtspl.sys", "\\drivers\\srtsp.sys",
          "\\drivers\\SymIM.sys", "\\drivers\\CO_Mon.sys", "\\drivers\\COH_Mon.sys",
          "\\drivers\\GEARAspiWDM.sys"}},
        {{"Network Associates", "McAfee", "SiteAdvisor"},
         {"\\drivers\\naiavf5x.sys", "\\drivers\\mvstdi5x.sys", "\\drivers\\entdrv51.sys",
          "\\drivers\\mfehidk.sys", "\\drivers\\mfetdik.sys", "\\drivers\\mfeavfk.sys",
          "\\drivers\\mfeapfk.sys", "\\drivers\\mfebopk.sys", "\\drivers\\Mpfp.sys",
          "\\drivers\\mfesmfk.sys", "\\drivers\\mferkdk.sys", "\\drivers\\mferkdet.sys"}},
        {{"egui.exe"},
         {"\\drivers\\eamon.sys", "\\drivers\\ehdrv.sys", "\\drivers\\epfwtdir.sys",
          "\\drivers\\epfw.sys", "\\drivers\\epfwtdi.sys", "\\drivers\\epfwndis.sys"}},
        {{"ASMDAT.DLL"},
         {"\\drivers\\pavdrv51.sys", "\\drivers\\PavProc.sys", "\\drivers\\ShlDrv51.sys",
          "\\drivers\\ShlDrv.sys"}},
        {{"avgemc.exe"},
         {"\\drivers\\avgclean.sys", "\\drivers\\avg7rsxp.sys", "\\drivers\\avg7core.sys",
          "\\drivers\\avg7rsw.sys", "\\drivers\\avgldx86.sys", "\\drivers\\avgmfx86.sys",
          "\\drivers\\avgtdix.sys"}},
        {{"Kaspersky"}, {"\\drivers\\klif.sys", "\\drivers\\klim5.sys", "\\drivers\\klmc.sys"}},
        {{"PCSecurityShield", "Shield Deluxe"},
         {"\\drivers\\kl1.sys", "\\drivers\\klif.sys", "\\txmlutil.dll", "\\xreglib.dll",
          "\\drivers\\bdfm.sys", "\\drivers\\bdfsfltr.sys"}},
        {{"CA Internet Security Suite", "ASpyscanner.exe"},
         {"\\isafeif.dll", "\\isafprod.dll", "\\KeyHelp.ocx", "\\UmxSbxExw.dll", "\\UmxSbxw.dll",
          "\\UmxWNP.dll", "\\vetredir.dll", "\\drivers\\KmxAgent.sys", "\\drivers\\KmxCF.sys",
          "\\drivers\\KmxCfg.sys", "\\drivers\\KmxFile.sys", "\\drivers\\KmxFilter.sys",
          "\\drivers\\KmxFw.sys", "\\drivers\\KmxSbx.sys", "\\drivers\\vet-filt.sys",
          "\\drivers\\vet-rec.sys", "\\drivers\\veteboot.sys", "\\drivers\\vetefile.sys",
          "\\drivers\\vetfddnt.sys", "\\drivers\\vetmonnt.sys"},
         true},
    };
    return table;
}

const std::vector<std::string>& SecurityProductFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const SecurityProduct& product : SecurityProductTable())
            for (const char* file : product.files) {
                const std::string name = std::string(file).substr(1); // without its "\"
                bool known = false;
                for (const std::string& other : all)
                    known = known || SameText(other, name);
                if (!known)
                    all.push_back(name);
            }
        return all;
    }();
    return names;
}

bool FolderContainsName(const std::string& name, const std::string& folder) {
    const std::string upperName = UpperCase(name);
    if (Trim(upperName).empty() || folder.empty())
        return false;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstExactFile((folder + "\\*.*"), data));
    if (!find)
        return false;
    do {
        const std::string entry = data.cFileName;
        if (entry == "." || entry == ".." || data.dwFileAttributes == 0 ||
            data.dwFileAttributes >= 9999)
            continue;
        const std::string full = folder + "\\" + entry;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Links are not followed: they may lead out of the program's folder, or in a loop.
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                FolderContainsName(name, full))
                return true;
        } else if (ContainsUpper(UpperCase(entry), upperName)) {
            return true;
        }
    } while (FindNextExactFile(find.get(), data));
    return false;
}

ForceFolderCheck CheckForceFolder(const std::string& text, const std::string& systemDir) {
    ForceFolderCheck result;
    if (Trim(text).empty())
        return result;
    if (IsRefusedForceFolder(text)) {
        result.refused = true;
        return result;
    }
    const std::string folder = ExcludeTrailingBackslash(Trim(text));
    const std::string upperOwnName = UpperCase(LastComponent(folder));
    for (const SecurityProduct& product : SecurityProductTable()) {
        bool applies = false;
        for (const char* word : product.words) {
            applies = ContainsUpper(upperOwnName, UpperCase(word)) ||
                      FolderContainsName(word, folder);
            if (applies)
                break;
        }
        if (!applies)
            continue;
        for (const char* file : product.files)
            if (FileExists(systemDir + file))
                result.programFiles.push_back(systemDir + file);
        if (product.checkCCube) {
            const std::string windows = GetWindowsDir();
            const std::string ccube =
                windows.substr(0, 3) + "Users\\All Users\\CA\\Consumer\\CCube";
            if (windows.size() >= 3 && DirectoryExists(ccube))
                result.anotherDirectory = ccube;
        }
    }
    return result;
}

} // namespace ku
