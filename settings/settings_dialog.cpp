// The settings dialog and the About box, on the system's dialog manager (ANSI calls throughout),
// and the system's Open dialog for the signing key.
#include "settings/settings_dialog.h"

#include <windows.h>
// windows.h first: commdlg.h needs its types.
#include <commdlg.h>

#include "settings/resource_ids.h"

namespace qp {
namespace {

// The dialog runs modally on its caller's thread: what it edits and where its templates are stay
// here for that long.
struct OpenDialog {
    HINSTANCE instance;
    DialogSettings* settings;
};
thread_local OpenDialog open_dialog{};

constexpr LRESULT kOfpIndex = 1;

// Index 0 and 1 of the list are the values of `pbo_type`; the sorted list keeps this order.
constexpr const char* kArmaItem = "ArmA PBO";
constexpr const char* kOfpItem = "OFP: Resistance PBO";
// The signature versions, newest first: index 1 is version 2.
constexpr const char* kVersionItems[] = {"3 (servers today)", "2 (old servers)"};
constexpr LRESULT kVersion2Index = 1;

// The prefix applies to "ArmA PBO" only, so its field is closed while the other type is chosen.
// The text stays, and is saved with the rest on OK.
void UpdatePrefixControls(HWND dialog) {
    const LRESULT selection = SendDlgItemMessageA(dialog, IDC_PBO_TYPE, CB_GETCURSEL, 0, 0);
    const BOOL enable = selection == kOfpIndex ? FALSE : TRUE;
    EnableWindow(GetDlgItem(dialog, IDC_PREFIX_LABEL), enable);
    EnableWindow(GetDlgItem(dialog, IDC_PREFIX), enable);
}

void InitSettingsDialog(HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_PBO_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kArmaItem));
    SendDlgItemMessageA(dialog, IDC_PBO_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kOfpItem));
    // -1 (a list saved without a selection) selects nothing.
    const DialogSettings& settings = *open_dialog.settings;
    SendDlgItemMessageA(dialog, IDC_PBO_TYPE, CB_SETCURSEL, static_cast<WPARAM>(settings.pbo_type),
                        0);
    SendDlgItemMessageA(dialog, IDC_PREFIX, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(settings.prefix));
    UpdatePrefixControls(dialog);
    SendDlgItemMessageA(dialog, IDC_SIGN_KEY, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(settings.sign_key));
    for (const char* item : kVersionItems) {
        SendDlgItemMessageA(dialog, IDC_SIGN_VERSION, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(item));
    }
    SendDlgItemMessageA(dialog, IDC_SIGN_VERSION, CB_SETCURSEL,
                        settings.sign_version == 2 ? kVersion2Index : 0, 0);
}

// The text of an edit box into `text` of `size` bytes, whole or not at all: a text too long for
// the buffer is dropped rather than shortened into a different folder name or path.
void ReadField(HWND dialog, int id, char* text, int size) {
    const LRESULT length = SendDlgItemMessageA(dialog, id, EM_LINELENGTH, 0, 0);
    if (length < 1 || length >= size) {
        text[0] = '\0';
        return;
    }
    // EM_GETLINE takes the buffer size from the buffer's first word, and adds no terminator.
    const WORD room = static_cast<WORD>(length);
    CopyMemory(text, &room, sizeof room);
    const LRESULT copied =
        SendDlgItemMessageA(dialog, id, EM_GETLINE, 0, reinterpret_cast<LPARAM>(text));
    // Terminate after what was really copied, so that a failed copy leaves no stray bytes.
    text[copied > 0 && copied <= length ? copied : 0] = '\0';
}

// Stores every field together.
void SaveSettings(HWND dialog) {
    DialogSettings& settings = *open_dialog.settings;
    settings.pbo_type =
        static_cast<std::int32_t>(SendDlgItemMessageA(dialog, IDC_PBO_TYPE, CB_GETCURSEL, 0, 0));
    ReadField(dialog, IDC_PREFIX, settings.prefix, kPrefixBufferSize);
    ReadField(dialog, IDC_SIGN_KEY, settings.sign_key, kKeyPathBufferSize);
    const LRESULT version = SendDlgItemMessageA(dialog, IDC_SIGN_VERSION, CB_GETCURSEL, 0, 0);
    settings.sign_version = version == kVersion2Index ? 2 : 3;
}

// The system's Open dialog, starting at the key named in the field; the key chosen goes there.
void BrowseForKey(HWND dialog) {
    char path[kKeyPathBufferSize] = {};
    GetDlgItemTextA(dialog, IDC_SIGN_KEY, path, sizeof path);
    OPENFILENAMEA open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.lpstrFilter = "Private keys (*.biprivatekey)\0*.biprivatekey\0All files\0*.*\0";
    open.lpstrFile = path;
    open.nMaxFile = sizeof path;
    open.lpstrTitle = "Sign with key";
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameA(&open)) SetDlgItemTextA(dialog, IDC_SIGN_KEY, path);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        // The stock icon belongs to the system and is never destroyed.
        HICON icon = LoadIconA(nullptr, IDI_INFORMATION);
        SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETIMAGE, IMAGE_ICON,
                            reinterpret_cast<LPARAM>(icon));
        return TRUE;
    }
    if (message == WM_COMMAND) {
        // The box has no control 2: command 2 is the dialog manager's answer to Esc.
        const WORD id = LOWORD(wparam);
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(dialog, static_cast<INT_PTR>(wparam));
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        InitSettingsDialog(dialog);
        return TRUE;  // the dialog manager focuses the first tab stop, OK
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wparam)) {
        case IDOK:
            SaveSettings(dialog);
            EndDialog(dialog, static_cast<INT_PTR>(wparam));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, static_cast<INT_PTR>(wparam));
            return TRUE;
        case IDC_ABOUT:
            DialogBoxParamA(open_dialog.instance, MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDlgProc,
                            0);
            return FALSE;
        case IDC_PBO_TYPE:
            if (HIWORD(wparam) == CBN_SELCHANGE) UpdatePrefixControls(dialog);
            return FALSE;
        case IDC_SIGN_BROWSE:
            BrowseForKey(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int ShowSettingsDialog(void* parent, void* instance, DialogSettings& settings) {
    open_dialog = {static_cast<HINSTANCE>(instance), &settings};
    const INT_PTR result =
        DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(IDD_SETTINGS),
                        static_cast<HWND>(parent), SettingsDlgProc, 0);
    open_dialog = {};
    return static_cast<int>(result);
}

bool HasSettingsDialog() {
    return true;
}

}  // namespace qp
