// The Explorer context-menu extension: registration with the prefix's real regsvr32 from a
// short program folder, and the extension itself loaded in process as Explorer would.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/contextmenu/ContextMenuIds.h"
#include "core/settings/OptionValues.h"
#include "core/system/ExactNames.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"
#include "support/Spawn.h"
#include "support/WideNames.h"

namespace {

const std::string kFixture = std::string(kutest::kFixtureDir) + "\\contextmenu";
const REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;

// How many of the two handler keys 64-bit programs see.
int HandlerKeys() {
    return kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, k64) +
           kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFolderHandlerKey, k64);
}

// The shell's own data object for one path, as Explorer hands a selection to an extension.
IDataObject* ShellDataObject(const std::string& path) {
    const std::wstring wide(path.begin(), path.end());
    IShellItem* item = nullptr;
    IDataObject* data = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(wide.c_str(), nullptr, IID_PPV_ARGS(&item)))) {
        item->BindToHandler(nullptr, BHID_DataObject, IID_PPV_ARGS(&data));
        item->Release();
    }
    return data;
}

} // namespace

// regsvr32 of the prefix loads the DLL and runs its self-registration: the two handler keys
// appear under HKEY_CLASSES_ROOT, and go again when it is unregistered.
TEST(ContextMenuRegistration, RealRegsvr32AddsAndRemovesTheHandlerKeys) {
    // regsvr32 is handed the program folder's short form: no spaces to quote.
    kutest::ScratchDir dir;
    const std::string folder = dir.File("Kelvane Uninstaller Folder");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\KU.exe", "MZ"));
    const std::string shortFolder = ku::ShortProgramFolder(folder + "\\KU.exe");
    char longName[MAX_PATH] = {};
    GetLongPathNameA(shortFolder.c_str(), longName, MAX_PATH);
    EXPECT_TRUE(shortFolder.find(' ') == std::string::npos && !_stricmp(longName, folder.c_str()))
        << shortFolder;

    kutest::RecordingLauncher launcher;
    launcher.forward = true;
    ASSERT_TRUE(ku::ApplyContextMenu(true, kFixture));
    ASSERT_TRUE(kutest::WaitFor([] { return HandlerKeys() == 2; }, 30000));
    EXPECT_TRUE(ku::IsContextMenuRegistered());
    const std::string clsid = std::string("CLSID\\") + ku::kContextMenuClsid;
    const std::string server =
        kutest::RawReadString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "", k32);
    EXPECT_STRCASEEQ(server.c_str(), (kFixture + "\\Contextmenu.dll").c_str());
    EXPECT_EQ(kutest::RawReadString(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, "", k64),
              ku::kContextMenuClsid);
    ASSERT_TRUE(ku::ApplyContextMenu(false, kFixture));
    ASSERT_TRUE(kutest::WaitFor([] { return HandlerKeys() == 0; }, 30000));
    EXPECT_FALSE(ku::IsContextMenuRegistered());
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CLASSES_ROOT, clsid, k32));
}

TEST(ContextMenuExtension, AddsUninstallAndStartsTheProgramWithThePath) {
    const std::string started = kFixture + "\\started.txt";
    DeleteFileA(started.c_str());
    ku::UniqueModule dll(LoadLibraryA((kFixture + "\\Contextmenu.dll").c_str()));
    ASSERT_TRUE(dll);
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(dll.get(), "DllGetClassObject")));
    auto canUnloadNow =
        reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(dll.get(), "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(
                  std::wstring(ku::kContextMenuClsid, ku::kContextMenuClsid + 38).c_str(), &clsid),
              S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IShellExtInit* init = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&init)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    kutest::ScratchDir dir;
    CoInitialize(nullptr);
    IDataObject* data = ShellDataObject(dir.Path());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    data->Release();
    IContextMenu* menu = nullptr;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    HMENU popup = CreatePopupMenu(); // a default-only menu gets nothing, a normal one our entry
    EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(HRESULT_CODE(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL)), 1);
    EXPECT_EQ(GetMenuItemCount(popup), 1);
    DestroyMenu(popup);
    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_NE(menu->InvokeCommand(&invoke), S_OK); // not our command
    invoke.lpVerb = MAKEINTRESOURCEA(0);
    ASSERT_EQ(menu->InvokeCommand(&invoke), S_OK);
    // The program beside the DLL, quoted, then the path.
    const std::string expected = "\"" + kFixture + "\\KU.exe\" \"" + dir.Path() + "\"";
    EXPECT_TRUE(kutest::WaitFor(
        [&] { return _stricmp(kutest::ReadAll(started).c_str(), expected.c_str()) == 0; }, 20000))
        << kutest::ReadAll(started);
    menu->Release();
    init->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
    CoUninitialize();
}

namespace {

// The extension and the stand-in program copied into a folder made by its wide name.
bool CopyFixtureInto(const std::wstring& folder) {
    const std::wstring from = ku::WideFromAnsi(kFixture + "\\");
    return kutest::WideFolder(folder) &&
           CopyFileW((from + L"Contextmenu.dll").c_str(), (folder + L"\\Contextmenu.dll").c_str(),
                     FALSE) &&
           CopyFileW((from + L"KU.exe").c_str(), (folder + L"\\KU.exe").c_str(), FALSE);
}

// The extension's menu object as Explorer gets it, handed `data`; nullptr on any failure.
IContextMenu* MenuOf(HMODULE dll, IDataObject* data) {
    auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    CLSID clsid;
    IClassFactory* factory = nullptr;
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    if (getClassObject &&
        CLSIDFromString(std::wstring(ku::kContextMenuClsid, ku::kContextMenuClsid + 38).c_str(),
                        &clsid) == S_OK &&
        getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK &&
        factory->CreateInstance(nullptr, IID_PPV_ARGS(&init)) == S_OK) {
        if (data && init->Initialize(nullptr, data, nullptr) == S_OK)
            init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
        init->Release();
    }
    return menu;
}

// regsvr32 of the prefix on a DLL named by its wide path; its exit code, -1 when it did not run.
int Regsvr32(const std::wstring& dll) {
    std::wstring line = L"regsvr32.exe /s \"" + dll + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    CloseHandle(info.hThread);
    return kutest::WaitForExit(info.hProcess, 60000);
}

} // namespace

// Installed in "Ωmega CM" beside a twin "Omega CM", the extension cannot name its own folder:
// it offers no "Uninstall" and starts neither program, and its registration fails and writes
// nothing, where the best-fit path would have started and registered the twin's.
TEST(ContextMenuExtension, FromAFolderTheCodePageCannotHoldItOffersNothingAndRegistersNothing) {
    kutest::ScratchDir dir;
    const std::wstring base = ku::WideFromAnsi(dir.Path() + "\\");
    const std::wstring greek = base + kutest::kOmega + L"mega CM", twin = base + L"Omega CM";
    ASSERT_TRUE(CopyFixtureInto(greek) && CopyFixtureInto(twin));
    CoInitialize(nullptr);
    {
        ku::UniqueModule dll(LoadLibraryW((greek + L"\\Contextmenu.dll").c_str()));
        ASSERT_TRUE(dll);
        IDataObject* data = ShellDataObject(dir.Path());
        ASSERT_NE(data, nullptr);
        IContextMenu* menu = MenuOf(dll.get(), data);
        data->Release();
        ASSERT_NE(menu, nullptr);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL), S_OK);
        EXPECT_EQ(GetMenuItemCount(popup), 0);
        DestroyMenu(popup);
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof(invoke);
        invoke.lpVerb = MAKEINTRESOURCEA(0);
        EXPECT_NE(menu->InvokeCommand(&invoke), S_OK);
        menu->Release();
    }
    CoUninitialize();
    const std::wstring started[] = {twin + L"\\started.txt", greek + L"\\started.txt"};
    EXPECT_FALSE(kutest::WaitFor(
        [&] { return kutest::WidePathExists(started[0]) || kutest::WidePathExists(started[1]); },
        3000));

    const std::string server = std::string("CLSID\\") + ku::kContextMenuClsid + "\\InprocServer32";
    EXPECT_NE(Regsvr32(greek + L"\\Contextmenu.dll"), 0);
    const std::string registered = kutest::RawReadString(HKEY_CLASSES_ROOT, server, "", k32);
    EXPECT_EQ(registered.find("mega CM"), std::string::npos) << registered;
    if (registered.find("mega CM") != std::string::npos) // a twin registered: undone
        kutest::RunAndWait("regsvr32.exe /s /u \"" + dir.File("Omega CM\\Contextmenu.dll") + "\"");
}

namespace {

// A selection of one path as Explorer hands it over (CF_HDROP), through the clipboard's data
// object: the shell's own cannot be made for a path this long.
IDataObject* DropOf(const std::wstring& path) {
    const size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.c_str(),
           path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    IDataObject* data = nullptr;
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        if (!SetClipboardData(CF_HDROP, memory))
            GlobalFree(memory);
        CloseClipboard();
        OleGetClipboard(&data);
    }
    return data;
}

} // namespace

// A folder whose path is longer than MAX_PATH: Explorer hands the whole path over, and the
// program is started with it, never with a cut path that names one of its parents.
TEST(ContextMenuExtension, ALongPathIsHandedOverWholeNeverCut) {
    kutest::ScratchDir dir;
    std::string parent = dir.Path() + "\\";
    parent.append(MAX_PATH - 1 - parent.size(), 'p'); // what a MAX_PATH buffer holds of it
    const std::string path = parent + "\\child";
    ASSERT_TRUE(CreateDirectoryW(ku::WideFromAnsi(parent).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(ku::WideFromAnsi(path).c_str(), nullptr));
    const std::string started = kFixture + "\\started.txt";
    DeleteFileA(started.c_str());
    OleInitialize(nullptr);
    {
        ku::UniqueModule dll(LoadLibraryA((kFixture + "\\Contextmenu.dll").c_str()));
        ASSERT_TRUE(dll);
        IDataObject* data = DropOf(ku::WideFromAnsi(path));
        ASSERT_NE(data, nullptr);
        IContextMenu* menu = MenuOf(dll.get(), data);
        data->Release();
        ASSERT_NE(menu, nullptr);
        CMINVOKECOMMANDINFO invoke = {};
        invoke.cbSize = sizeof(invoke);
        invoke.lpVerb = MAKEINTRESOURCEA(0);
        EXPECT_EQ(menu->InvokeCommand(&invoke), S_OK);
        menu->Release();
    }
    OleUninitialize();
    const std::string expected = "\"" + kFixture + "\\KU.exe\" \"" + path + "\"";
    EXPECT_TRUE(kutest::WaitFor(
        [&] { return _stricmp(kutest::ReadAll(started).c_str(), expected.c_str()) == 0; }, 20000))
        << kutest::ReadAll(started);
}
