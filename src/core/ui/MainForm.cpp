// The main window frame and the program's message loop.
#include "core/ui/MainForm.h"

#include "core/StrUtil.h"
#include "core/ui/LaterForms.h"
#include "core/ui/Pictures.h"
#include "resource.h"

namespace ku {

TUnInstallForm* UnInstallForm = nullptr;

namespace {

const int kTopPanel = 28;
const COLORREF kBand = RGB(0x1d, 0x3f, 0x72);

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void HoverPictures(TImageEx button, const std::string& name) {
    LoadJpegResource(button, name + "1", "JPG");
    button.SetOnMouseEnter([name](TImageEx b) { LoadJpegResource(b, name + "2", "JPG"); });
    button.SetOnMouseLeave([name](TImageEx b) { LoadJpegResource(b, name + "1", "JPG"); });
}

} // namespace

TUnInstallForm::TUnInstallForm() : TForm(IDD_MAINFORM) {
    UnInstallForm = this;
}

TUnInstallForm::~TUnInstallForm() {
    if (UnInstallForm == this)
        UnInstallForm = nullptr;
}

TImageEx TUnInstallForm::MinBtn() const {
    return TImageEx(Item(IDC_MAIN_MINBTN));
}
TImageEx TUnInstallForm::CloseBtn() const {
    return TImageEx(Item(IDC_MAIN_CLOSEBTN));
}

void TUnInstallForm::FormCreate() {
    SetWindowTextA(Handle(), "Kelvane Uninstaller");
    SetBackgroundColour(RGB(255, 255, 255));
    SetTopPanel(kTopPanel, kBand);
    HoverPictures(MinBtn(), "Min");
    HoverPictures(CloseBtn(), "Close");
    RECT client, button;
    GetClientRect(Handle(), &client);
    GetClientRect(CloseBtn().Handle(), &button);
    const int top = (kTopPanel - button.bottom) / 2;
    SetWindowPos(CloseBtn().Handle(), nullptr, client.right - button.right - 6, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(MinBtn().Handle(), nullptr, client.right - 2 * button.right - 10, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(Item(IDC_MAIN_TITLE), nullptr, 10, (kTopPanel - 14) / 2, 240, 14, SWP_NOZORDER);
    MakeBorderless();
}

// A command-line file or folder opens the Force Uninstall wizard, the file first.
void TUnInstallForm::FormShow() {
    if (!Trim(StartFile).empty() && FileExists(StartFile))
        ShowForceUninstallWizard(Handle(), StartFile, "");
    if (!Trim(StartFolder).empty() && FolderExists(StartFolder))
        ShowForceUninstallWizard(Handle(), "", StartFolder);
}

bool TUnInstallForm::OnCommand(int id, int code) {
    if (code == STN_CLICKED && id == IDC_MAIN_MINBTN) {
        ShowWindow(Handle(), SW_MINIMIZE);
        return true;
    }
    if (code == STN_CLICKED && id == IDC_MAIN_CLOSEBTN) {
        Close();
        return true;
    }
    return TForm::OnCommand(id, code);
}

HBRUSH TUnInstallForm::OnLabelColour(HDC dc, HWND label) {
    if (GetDlgCtrlID(label) == IDC_MAIN_TITLE)
        SetTextColor(dc, RGB(255, 255, 255));
    return TForm::OnLabelColour(dc, label);
}

int RunMainWindow(const std::string& startFile, const std::string& startFolder) {
    TUnInstallForm form;
    form.StartFile = startFile;
    form.StartFolder = startFolder;
    if (!form.Create(nullptr))
        return 1;
    form.Show(SW_SHOW);
    MSG message;
    while (form.Handle() && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(form.Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

} // namespace ku
