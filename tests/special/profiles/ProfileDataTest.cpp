// The profile data-file reader against generated files, the registry deletion lines against
// the sandbox registry, and the data files the program ships.
#include <gtest/gtest.h>

#include <set>

#include "core/system/DeleteHelpers.h"
#include "core/system/StrUtil.h"
#include "special/profiles/DataLineShapes.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileUnits.h"
#include "support/Files.h"
#include "support/RawRegistry.h"
#include "support/RecordingDialogs.h"
#include "support/Sandbox.h"

namespace {

// The section read from a Code.dat of `text` ("|" separates lines; none: no file) as one line:
// "F=file|R=registry line|S=service|B=box shown", the folders as %W and %S.
std::string ReadSection(const char* text) {
    kutest::ScratchDir dir;
    if (text)
        kutest::WriteTextFile(dir.File("Code.dat"), ku::ReplaceAll(text, "|", "\r\n"));
    kutest::RecordingDialogs dialogs;
    const ku::ProfileSection section = ku::ReadProfileSection("[UnitX]", "Code.dat", dir.Path());
    std::string read;
    for (const auto& part :
         {std::make_pair("F=", section.Files), std::make_pair("R=", section.RegLines),
          std::make_pair("S=", section.Services), std::make_pair("B=", dialogs.Texts())})
        for (const std::string& line : part.second)
            read += std::string(read.empty() ? "" : "|") + part.first + line;
    read = ku::ReplaceAll(read, kutest::SystemFolder(), "%S");
    return ku::ReplaceAll(read, kutest::WindowsFolder(), "%W");
}

TEST(ProfileSection, ReadsEachEdgeCaseOfTheFormat) {
    const std::string noMark =
        "B=The mark \"[UnitX]\" not exist in the file \"Code.dat\" or is empty!";
    const std::pair<const char*, std::string> cases[] = {
        {"x|[UnitX]|delRegkey(A)|FILE=%WinDir%\\DirectX.log|[Services]|Svc One||"
         "delRegkeyvalue(B)|[/Services]|file=%SYSTEM%\\D3DX9_43.DLL|[/UnitX]|delRegkey(C)",
         "F=%W\\DirectX.log|F=%S\\D3DX9_43.DLL|R=delRegkey(A)|R=delRegkeyvalue(B)|S=Svc One"},
        {"   [unitx]  |DelRegKey(A)  |[/UNITX]", "R=DelRegKey(A)"},
        {"[/UnitX]|[UnitX]|delRegkey(A)", noMark},
        {"[UnitX]|[Services]|FILE=%Temp%\\c|FILE=delRegkey(D)|[/Services]|[/UnitX]",
         "R=delRegkey(D)|S=%Temp%\\c"},
        {"[UnitX]|[Services]|S|[/Services]|[/UnitX]", "S=S|" + noMark}, // reported, handed back
        // A file entry names one file directly in the Windows or system folder, nothing else.
        {"[UnitX]|FILE=%WinDir%\\..\\Program Files\\Other Vendor\\tray.exe|"
         "FILE=%System%\\Logs\\a.log|FILE=%WinDir%/a.ini|FILE=%System%\\*.dll|"
         "FILE=%System%\\x?.dll|FILE=%WinDir%\\NUL.txt|FILE=%System%\\com1|"
         "FILE=%WinDir%\\a.ini:hidden|FILE=%WinDir%\\..|FILE=%WinDir%a.ini|"
         "FILE=x%WinDir%\\a.ini|FILE=%System%\\|FILE=%WinDir%\\C:\\a.ini|"
         "FILE= %system%\\xinput1_3.dll |delRegkey(A)|[/UnitX]",
         "F=%S\\xinput1_3.dll|R=delRegkey(A)"},
        {nullptr, "B=The file \"Code.dat\" not exist!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadSection(c.first), c.second) << (c.first ? c.first : "no file");
}

// A "FILE=" entry names a file of the DirectX redistributable, directly in the Windows or
// system folder or in one plain subfolder; Windows' own files are never read from a data file,
// nor the members of the same families that ship with Windows itself.
TEST(ProfileSection, FileEntriesNameOnlyTheRedistributablesFiles) {
    const struct {
        const char* entry;
        bool read;
    } cases[] = {
        {"%System%\\d3dx9_24.dll", true}, {"%System%\\d3dx10_43.dll", true},
        {"%System%\\D3DX11_43.DLL", true}, {"%System%\\d3dcompiler_43.dll", true},
        {"%System%\\xinput1_1.dll", true}, {"%System%\\xactengine2_10.dll", true},
        {"%System%\\d3dcompiler_47.dll", false}, {"%System%\\xinput1_4.dll", false},
        {"%System%\\xaudio2_8.dll", false}, {"%System%\\XAudio2_9.dll", false},
        {"%System%\\d3dx9_23.dll", false}, {"%System%\\d3dx9_44.dll", false},
        {"%System%\\d3dx9_043.dll", false}, {"%System%\\x3daudio1_8.dll", false},
        {"%System%\\xinput1_3.dll", true}, {"%System%\\x3daudio1_7.dll", true},
        {"%System%\\xactengine3_7.dll", true}, {"%System%\\xaudio2_7.dll", true},
        {"%System%\\XAPOFX1_5.dll", true}, {"%WinDir%\\DirectX.log", true},
        {"%WinDir%\\Logs\\DirectX.log", true}, {"%System%\\drivers\\xinput1_3.dll", true},
        {"%System%\\kernel32.dll", false}, {"%System%\\user32.dll", false},
        {"%System%\\d3d9.dll", false}, {"%WinDir%\\win.ini", false},
        {"%WinDir%\\system.ini", false}, {"%WinDir%\\notepad.exe", false},
        {"%WinDir%\\explorer.exe", false}, {"%System%\\d3dx9_.dll", false},
        {"%System%\\d3dx9_43.exe", false}, {"%System%\\d3dx9_4a.dll", false},
        {"%System%\\d3dx9_43.dll.bak", false}, {"%System%\\xd3dx9_43.dll", false},
        {"%System%\\d3dx9__.dll", false}, {"%WinDir%\\Logs\\Deeper\\DirectX.log", false},
        {"%WinDir%\\..\\DirectX.log", false}, {"%WinDir%\\Logs\\..\\DirectX.log", false},
        {"%WinDir%\\Logs.\\DirectX.log", false}, {"%WinDir%\\NUL\\DirectX.log", false},
        {"%WinDir%\\*\\DirectX.log", false}, {"%WinDir%\\\\DirectX.log", false},
        {"%WinDir%\\Logs\\", false}, {"%System%\\DirectX.log:x", false},
    };
    for (const auto& c : cases) {
        const std::string read = ReadSection(
            ("[UnitX]|FILE=" + std::string(c.entry) + "|delRegkey(A)|[/UnitX]").c_str());
        const std::string file = ku::ReplaceAll(ku::ReplaceAll(c.entry, "%System%", "%S"),
                                                "%WinDir%", "%W");
        EXPECT_EQ(read, c.read ? "F=" + file + "|R=delRegkey(A)" : "R=delRegkey(A)") << c.entry;
    }
}

struct DeleteCase {
    const char* line; // %K stands for the scratch key
    std::set<std::string> gone;
};

TEST(RegistryDeleteLines, DeleteExactlyWhatEachLineFormNames) {
    const DeleteCase cases[] = {
        {"delRegkey(HKEY_CURRENT_USER,'%K\\A\\')", {"A"}},
        {"  DELREGKEY( hkey_current_user , ' %K\\A ' )", {"A"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V' ,'Name')", {"V@Name"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V','')", {"V@"}},
        {"delRegkeyvalue(HKEY_CURRENT_USER,'%K\\V',Name)", {}},
        {"delRegkey(HKEY_SOMEWHERE,'%K\\A')", {}}, {"delRegkey(HKEY_CURRENT_USER,'')", {}},
        {"xdelRegkey(HKEY_CURRENT_USER,'%K\\A')", {}}, {"delRegkey(HKEY_CURRENT_USER %K\\A)", {}},
    };
    const HKEY cu = HKEY_CURRENT_USER;
    for (const DeleteCase& c : cases) {
        kutest::ScratchKey key;
        kutest::RawCreateKey(cu, key.Sub("A\\Deep"));
        kutest::RawCreateKey(cu, key.Sub("B"));
        for (const char* name : {"", "Name", "Other"})
            kutest::RawSetString(cu, key.Sub("V"), name, "data");
        ku::ExecuteRegistryDeleteLines({ku::ReplaceAll(c.line, "%K", key.Path())});
        std::set<std::string> gone;
        for (const char* sub : {"A", "B"})
            if (!kutest::RawKeyExists(cu, key.Sub(sub)))
                gone.insert(sub);
        for (const char* name : {"", "Name", "Other"})
            if (!kutest::RawValueExists(cu, key.Sub("V"), name))
                gone.insert(std::string("V@") + name);
        EXPECT_EQ(gone, c.gone) << c.line;
    }
}

// A shipped line's key as the guard may meet it: as written, in the 32-bit view's node below
// SOFTWARE, under a numbered control set, with outer separators.
std::vector<std::string> ShippedLineSpellings(const std::string& path) {
    std::vector<std::string> all{path, "\\" + path + "\\"};
    if (ku::StartsText(path, "SOFTWARE\\"))
        all.push_back("SOFTWARE\\Wow6432Node\\" + path.substr(9));
    if (ku::StartsText(path, "SYSTEM\\CurrentControlSet\\"))
        all.push_back("SYSTEM\\ControlSet001\\" + path.substr(25));
    return all;
}

// The shipped files hold exactly the table's sections, each with something to delete, and
// name only keys, values and services that belong to one application.
TEST(ShippedDataFiles, HoldEveryMarkWithOnlyTheApplicationsOwnEntries) {
    const std::string shipped = std::string(kutest::kFixtureDir) + "\\ku";
    std::map<std::string, std::set<std::string>> marksInFile, rowMarks;
    for (const char* file : {"CodeA.dat", "CodeB.dat", "CodeC.dat"})
        for (const std::string& line :
             ku::SplitString(kutest::ReadAll(shipped + "\\" + file), '\n')) {
            const std::string text = ku::Trim(line);
            if (ku::StartsText(text, "[") && !ku::StartsText(text, "[/") && text != "[Services]")
                marksInFile[file].insert(text);
        }
    kutest::RecordingDialogs dialogs;
    for (const ku::ProfileRow* row : ku::profiles::AllProfiles()) {
        if (row->file == ku::DataFile::None)
            continue;
        rowMarks[ku::DataFileName(row->file)].insert(row->mark);
        const ku::ProfileSection section =
            ku::ReadProfileSection(row->mark, ku::DataFileName(row->file), shipped);
        for (const std::string& line : section.RegLines) {
            const ku::RegistryDeleteLine parsed = ku::ParseRegistryDeleteLine(line);
            ASSERT_TRUE(parsed.valid) << row->unit << ": " << line;
            // In each spelling the guard may meet: either view, a numbered control set.
            for (const std::string& path : ShippedLineSpellings(parsed.keyPath))
                EXPECT_FALSE(parsed.isValue
                                 ? ku::IsProtectedRegistryValue(parsed.root, path, parsed.valueName)
                                 : ku::IsProtectedRegistryKey(parsed.root, path))
                    << line << " as " << path;
            EXPECT_FALSE(parsed.isValue && parsed.valueName.empty()) << line;
            // Each line has one of the shapes a data file may reach.
            EXPECT_NE(ku::ShapeOfDataLine(parsed), ku::DataLineShape::None) << line;
            // Below SOFTWARE a vendor key alone would hold the vendor's other products.
            const auto parts = ku::SplitString(parsed.keyPath, '\\');
            EXPECT_FALSE(!parsed.isValue && ku::SameText(parts[0], "SOFTWARE") && parts.size() < 3)
                << line;
        }
        for (const std::string& service : section.Services)
            EXPECT_FALSE(ku::IsProtectedService(service)) << row->unit << ": " << service;
    }
    EXPECT_TRUE(dialogs.Calls().empty()) << "a section is missing or empty";
    EXPECT_EQ(marksInFile, rowMarks);
    // DirectX 9's 42 libraries of the system folder and its log in the Windows folder and in
    // its "Logs" folder: every "FILE=" line the files hold.
    EXPECT_EQ(ku::ReadProfileSection("[DirecX9]", "CodeA.dat", shipped).Files.size(), 44u);
    size_t fileLines = 0;
    for (const char* file : {"CodeA.dat", "CodeB.dat", "CodeC.dat"})
        for (const std::string& line :
             ku::SplitString(kutest::ReadAll(shipped + "\\" + file), '\n'))
            fileLines += ku::StartsText(ku::Trim(line), "FILE=") ? 1 : 0;
    EXPECT_EQ(fileLines, 44u);
}

} // namespace
