// The Explorer context-menu extension: its command lines, registration with the prefix's real
// regsvr32, and the extension itself loaded in process as Explorer would.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "OptionsTestSupport.h"
#include "core/OptionValues.h"
#include "core/contextmenu/ContextMenuIds.h"
#include "support/RecordingLauncher.h"
#include "support/Sandbox.h"

namespace {

const std::string kFixture = std::string(kutest::kFixtureDir) + "\\contextmenu";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool HandlerKeysExist() {
    return kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, KEY_WOW64_64KEY) &&
           kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFolderHandlerKey, KEY_WOW64_64KEY);
}
bool HandlerKeysGone() {
    return !kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, KEY_WOW64_64KEY) &&
           !kutest::RawKeyExists(HKEY_CLASSES_ROOT, ku::kFolderHandlerKey, KEY_WOW64_64KEY);
}

// A data object holding one path as CF_HDROP, as Explorer hands the selection over.
class DropData : public IDataObject {
  public:
    explicit DropData(const std::string& path) : path_(path) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        const size_t size = sizeof(DROPFILES) + path_.size() + 2;
        HGLOBAL memory = GlobalAlloc(GHND, size);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path_.c_str(), path_.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  private:
    std::string path_;
};

} // namespace

TEST(ContextMenuCommand, RegistersWithTheDllBesideTheProgramAndAlwaysUnregisters) {
    EXPECT_EQ(ku::ContextMenuCommand("C:\\PROGRA~1\\KELVAN~1", true),
              "Regsvr32.exe  C:\\PROGRA~1\\KELVAN~1\\Contextmenu.dll /s");
    EXPECT_EQ(ku::ContextMenuCommand("C:\\PROGRA~1\\KELVAN~1", false),
              "Regsvr32.exe  C:\\PROGRA~1\\KELVAN~1\\Contextmenu.dll /u /s");

    kutest::ScratchDir empty;
    kutest::RecordingLauncher launcher;
    EXPECT_FALSE(ku::ApplyContextMenu(true, empty.Path())); // no DLL there: nothing started
    EXPECT_TRUE(launcher.Requests().empty());
    EXPECT_TRUE(ku::ApplyContextMenu(false, empty.Path())); // unregistering needs no file
    ASSERT_EQ(launcher.Requests().size(), 1u);
    const ku::LaunchRequest request = launcher.Requests()[0];
    EXPECT_EQ(request.kind, ku::LaunchRequest::Kind::Exec);
    EXPECT_EQ(request.show, SW_SHOWNORMAL);
    EXPECT_EQ(request.commandLine, "Regsvr32.exe  " + empty.Path() + "\\Contextmenu.dll /u /s");
}

TEST(ContextMenuCommand, ProgramFolderIsTheShortPathWithoutBackslash) {
    kutest::ScratchDir dir;
    const std::string folder = dir.File("Kelvane Uninstaller Folder");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(kutest::WriteTextFile(folder + "\\KU.exe", "MZ"));
    const std::string shortFolder = ku::ShortProgramFolder(folder + "\\KU.exe");
    EXPECT_EQ(shortFolder.find(' '), std::string::npos) << shortFolder;
    EXPECT_NE(shortFolder.back(), '\\');
    char longName[MAX_PATH] = {};
    GetLongPathNameA(shortFolder.c_str(), longName, MAX_PATH);
    EXPECT_STRCASEEQ(longName, folder.c_str());
}

// regsvr32 of the prefix loads the DLL and runs its self-registration: the two handler keys
// appear under HKEY_CLASSES_ROOT, and go again when it is unregistered.
TEST(ContextMenuRegistration, RealRegsvr32AddsAndRemovesTheHandlerKeys) {
    kutest::RecordingLauncher launcher;
    launcher.forward = true;
    ASSERT_TRUE(ku::ApplyContextMenu(true, kFixture));
    ASSERT_TRUE(optionstest::WaitUntil(HandlerKeysExist, 30000));
    EXPECT_TRUE(ku::IsContextMenuRegistered());
    const std::string clsid = std::string("CLSID\\") + ku::kContextMenuClsid + "\\InprocServer32";
    EXPECT_STRCASEEQ(optionstest::GetString(HKEY_CLASSES_ROOT, clsid, "", KEY_WOW64_32KEY).c_str(),
                     (kFixture + "\\Contextmenu.dll").c_str());
    EXPECT_EQ(optionstest::GetString(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, ""),
              ku::kContextMenuClsid);

    ASSERT_TRUE(ku::ApplyContextMenu(false, kFixture));
    ASSERT_TRUE(optionstest::WaitUntil(HandlerKeysGone, 30000));
    EXPECT_FALSE(ku::IsContextMenuRegistered());
    EXPECT_FALSE(kutest::RawKeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") +
                                      ku::kContextMenuClsid, KEY_WOW64_32KEY));
    ASSERT_EQ(launcher.Requests().size(), 2u);
}

TEST(ContextMenuExtension, AddsUninstallAndStartsTheProgramWithThePath) {
    const std::string started = kFixture + "\\started.txt";
    DeleteFileA(started.c_str());
    ku::UniqueModule dll(LoadLibraryA((kFixture + "\\Contextmenu.dll").c_str()));
    ASSERT_TRUE(dll);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(WINAPI*)();
    auto getClassObject =
        reinterpret_cast<GetClassObject>(GetProcAddress(dll.get(), "DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(dll.get(), "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);

    CLSID clsid;
    std::wstring clsidText(ku::kContextMenuClsid, ku::kContextMenuClsid + 38);
    ASSERT_EQ(CLSIDFromString(clsidText.c_str(), &clsid), S_OK);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject(IID_IShellExtInit, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IShellExtInit* init = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)),
              S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    kutest::ScratchDir dir;
    DropData data(dir.Path());
    ASSERT_EQ(init->Initialize(nullptr, &data, nullptr), S_OK);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);

    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(popup), 0);
    EXPECT_EQ(HRESULT_CODE(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL)), 1);
    char text[64] = {};
    GetMenuStringA(popup, 100, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "Uninstall");
    DestroyMenu(popup);
    char verb[32] = {};
    ASSERT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, verb, sizeof(verb)), S_OK);
    EXPECT_STREQ(verb, "uninstall");

    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof(invoke);
    invoke.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_NE(menu->InvokeCommand(&invoke), S_OK); // not our command
    invoke.lpVerb = MAKEINTRESOURCEA(0);
    ASSERT_EQ(menu->InvokeCommand(&invoke), S_OK);
    ASSERT_TRUE(optionstest::WaitUntil(
        [&] { return ReadFile(started).find('"' + dir.Path() + '"') != std::string::npos; }, 20000))
        << ReadFile(started);
    // The program beside the DLL, quoted, then the path.
    const std::string program = "\"" + kFixture + "\\KU.exe\" ";
    EXPECT_STRCASEEQ(ReadFile(started).substr(0, program.size()).c_str(), program.c_str());

    menu->Release();
    init->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
}
