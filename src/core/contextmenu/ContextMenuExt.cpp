// Contextmenu.dll: an in-process shell extension that adds "Uninstall" to the Explorer menu of
// files and folders and starts KU.exe from its own folder with the chosen path.
#include <olectl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <new>
#include <string>

#include "core/contextmenu/ContextMenuIds.h"
#include "core/system/ExactNames.h"
#include "core/system/Handles.h"

namespace {

// {5D3B2A6E-9C41-4F7B-8E1D-2A6C0B9F4E17}, as kContextMenuClsid spells it.
const CLSID kClsid = {0x5d3b2a6e, 0x9c41, 0x4f7b, {0x8e, 0x1d, 0x2a, 0x6c, 0x0b, 0x9f, 0x4e, 0x17}};
const char* const kDescription = "Kelvane Uninstaller context menu";
const char* const kHelpText = "Uninstall with Kelvane Uninstaller";
const char* const kVerb = "uninstall";
const char* const kApprovedKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

HMODULE module = nullptr;
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

// This DLL's own path by its wide form: S_OK with it, or why not. A path the code page cannot
// hold exactly is refused, since its best-fit form names another folder's DLL and program.
HRESULT ModulePath(std::string& path) {
    path.clear();
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(wide.size());
        const DWORD length = GetModuleFileNameW(module, &wide[0], size);
        if (length == 0)
            return HRESULT_FROM_WIN32(GetLastError());
        if (length < size) {
            wide.resize(length);
            break;
        }
        if (size >= 32768)
            return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        wide.resize(size * 2);
    }
    if (ku::ExactAnsi(wide, path))
        return S_OK;
    path.clear();
    return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
}

// With its backslash; empty when the path is refused.
std::string ModuleFolder() {
    std::string path;
    ModulePath(path);
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class ContextMenu : public IShellExtInit, public IContextMenu {
  public:
    ContextMenu() { ++liveObjects; }
    virtual ~ContextMenu() { --liveObjects; }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IContextMenu))
            *object = static_cast<IContextMenu*>(this);
        else if (IsEqualIID(riid, IID_IShellExtInit))
            *object = static_cast<IShellExtInit*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        long left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // Remembers the first selected file or folder.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override {
        path_.clear();
        if (!data)
            return E_INVALIDARG;
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&format, &medium)))
            return E_INVALIDARG;
        HRESULT result = E_INVALIDARG;
        if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
            // By the wide name: one the code page cannot hold gets no "Uninstall", since its
            // best-fit form would name another file.
            // Read whole: a path cut at the buffer's end would name one of its parents.
            const UINT length = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0
                                    ? DragQueryFileW(drop, 0, nullptr, 0)
                                    : 0;
            std::wstring name(length + 1, L'\0');
            std::string exact;
            if (length > 0 && DragQueryFileW(drop, 0, &name[0], length + 1) == length &&
                ku::ExactAnsi(name.data(), length, exact)) {
                path_ = exact;
                result = S_OK;
            }
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
        return result;
    }

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT, UINT flags) override {
        // From a folder it cannot name exactly there is no program to start: no entry.
        if ((flags & CMF_DEFAULTONLY) || path_.empty() || ModuleFolder().empty())
            return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
        if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, firstId, ku::kContextMenuText))
            return HRESULT_FROM_WIN32(GetLastError());
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 1); // one command id used
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        if (!info)
            return E_INVALIDARG;
        // A verb arrives either as a string or as the offset of our one command.
        if (HIWORD(info->lpVerb) != 0) {
            if (lstrcmpiA(info->lpVerb, kVerb) != 0)
                return E_FAIL;
        } else if (LOWORD(info->lpVerb) != 0) {
            return E_FAIL;
        }
        return StartProgram() ? S_OK : E_FAIL;
    }

    STDMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* name,
                                  UINT size) override {
        if (command != 0 || !name || size == 0)
            return E_INVALIDARG;
        const char* text = nullptr;
        switch (type) {
        case GCS_HELPTEXTA:
        case GCS_HELPTEXTW:
            text = kHelpText;
            break;
        case GCS_VERBA:
        case GCS_VERBW:
            text = kVerb;
            break;
        case GCS_VALIDATEA:
        case GCS_VALIDATEW:
            return S_OK;
        default:
            return E_INVALIDARG;
        }
        if (type & GCS_UNICODE) {
            if (!MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<WCHAR*>(name), size))
                return E_FAIL;
        } else {
            lstrcpynA(name, text, static_cast<int>(size));
        }
        return S_OK;
    }

  private:
    // KU.exe "path": the program opens its Force Uninstall wizard on an existing file or folder.
    bool StartProgram() const {
        const std::string folder = ModuleFolder();
        std::string program = folder + ku::kProgramFileName;
        if (path_.empty() || folder.empty() ||
            GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
        std::string commandLine = "\"" + program + "\" \"" + path_ + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &process))
            return false;
        ku::UniqueHandle thread(process.hThread), handle(process.hProcess);
        return true;
    }

    std::atomic<long> refs_{1};
    std::string path_;
};

class ClassFactory : public IClassFactory {
  public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK; // a static object: no counting
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* menu = new (std::nothrow) ContextMenu();
        if (!menu)
            return E_OUTOFMEMORY;
        HRESULT result = menu->QueryInterface(riid, object);
        menu->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ++serverLocks : --serverLocks;
        return S_OK;
    }
};

ClassFactory factory;

// Registry writes of the self-registration: HKEY_CLASSES_ROOT keys with a default value.
bool SetDefault(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    ku::UniqueKey key(raw);
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

// Deletes one key of our own that has no subkeys; a key already gone counts as deleted.
bool DeleteOwnKey(HKEY root, const std::string& path) {
    LONG result = RegDeleteKeyA(root, path.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::string ClsidKey() {
    return std::string("CLSID\\") + ku::kContextMenuClsid;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, kClsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

STDAPI DllRegisterServer() {
    // A best-fit path would register another folder's DLL: nothing is written then, and
    // regsvr32 shows the system's text of why.
    std::string path;
    const HRESULT found = ModulePath(path);
    if (FAILED(found))
        return found;
    const std::string clsidKey = ClsidKey();
    bool ok = SetDefault(HKEY_CLASSES_ROOT, clsidKey, nullptr, kDescription) &&
              SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", nullptr, path) &&
              SetDefault(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel",
                         "Apartment") &&
              SetDefault(HKEY_CLASSES_ROOT, ku::kFileHandlerKey, nullptr, ku::kContextMenuClsid) &&
              SetDefault(HKEY_CLASSES_ROOT, ku::kFolderHandlerKey, nullptr, ku::kContextMenuClsid);
    if (!ok)
        return SELFREG_E_CLASS;
    // Where administrators restrict extensions to approved ones; not fatal when refused.
    SetDefault(HKEY_LOCAL_MACHINE, kApprovedKey, ku::kContextMenuClsid, kDescription);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return S_OK;
}

STDAPI DllUnregisterServer() {
    const std::string clsidKey = ClsidKey();
    bool ok = DeleteOwnKey(HKEY_CLASSES_ROOT, ku::kFileHandlerKey);
    ok = DeleteOwnKey(HKEY_CLASSES_ROOT, ku::kFolderHandlerKey) && ok;
    ok = DeleteOwnKey(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32") && ok;
    ok = DeleteOwnKey(HKEY_CLASSES_ROOT, clsidKey) && ok;
    HKEY approved = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) ==
        ERROR_SUCCESS) {
        ku::UniqueKey key(approved);
        RegDeleteValueA(key.get(), ku::kContextMenuClsid);
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return ok ? S_OK : SELFREG_E_CLASS;
}
