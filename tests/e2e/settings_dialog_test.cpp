// The settings dialog and the About box of the real plugin module, driven in a real window from a
// second thread while the export runs the dialog's modal loop on the test's thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "support/temp_dir.h"
#include "host/wcx_host_driver.h"

namespace qp {
namespace {

constexpr char kCaption[] = "PBO plugin settings";
constexpr int kPboType = 1004, kPrefixLabel = 1005, kPrefix = 1002, kAbout = 1003, kIcon = 1006;
constexpr int kSignKey = 1007, kBrowse = 1008, kSignVersion = 1009;
constexpr auto kPatience = std::chrono::seconds(10);

// Polls `find` until it yields a window, the time is up or `stop` is set.
HWND WaitFor(const std::function<HWND()>& find, const std::atomic<bool>* stop = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline && !(stop != nullptr && *stop)) {
        if (HWND window = find()) return window;
        Sleep(5);
    }
    return nullptr;
}

bool WaitUntilClosed(HWND window) {
    return WaitFor([&]() -> HWND { return IsWindow(window) ? nullptr : window; }) != nullptr;
}

// Visible only once WM_INITDIALOG has filled the controls.
HWND VisibleSettingsDialog() {
    HWND dialog = FindWindowA("#32770", kCaption);
    return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    char class_name[16] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::string(class_name) == "#32770" && GetWindow(window, GW_OWNER) == search->owner &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The About box: the other dialog window, owned by the settings dialog.
HWND AboutBoxOf(HWND settings) {
    OwnedSearch search{settings, nullptr};
    EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string TextOf(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

// What the settings dialog shows.
struct SettingsView {
    int selection;
    std::string selected_text;
    std::string prefix;
    bool label_enabled;
    bool prefix_enabled;
    std::string sign_key;
    int version_index;  // 0: version 3, 1: version 2
};

std::string ListItem(HWND dialog, int index) {
    char text[64] = {};
    SendDlgItemMessageA(dialog, kPboType, CB_GETLBTEXT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(text));
    return text;
}

SettingsView Read(HWND dialog) {
    SettingsView view;
    view.selection = static_cast<int>(SendDlgItemMessageA(dialog, kPboType, CB_GETCURSEL, 0, 0));
    view.selected_text = view.selection >= 0 ? ListItem(dialog, view.selection) : "";
    view.prefix = TextOf(GetDlgItem(dialog, kPrefix));
    view.label_enabled = IsWindowEnabled(GetDlgItem(dialog, kPrefixLabel)) != FALSE;
    view.prefix_enabled = IsWindowEnabled(GetDlgItem(dialog, kPrefix)) != FALSE;
    view.sign_key = TextOf(GetDlgItem(dialog, kSignKey));
    view.version_index =
        static_cast<int>(SendDlgItemMessageA(dialog, kSignVersion, CB_GETCURSEL, 0, 0));
    return view;
}

// Selects an item as the user would: the list changes, then notifies its dialog.
void ChooseType(HWND dialog, int index) {
    HWND list = GetDlgItem(dialog, kPboType);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kPboType, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

void TypePrefix(HWND dialog, const std::string& text) {
    SendDlgItemMessageA(dialog, kPrefix, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Posted, not sent: a button that opens a modal box would hold this thread until it closes.
void Click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A key press at the focused control, which the dialog manager's loop turns into a command.
void PressKey(HWND dialog, WPARAM key) {
    HWND focus = FocusOf(dialog);
    HWND target = focus != nullptr ? focus : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 0x00000001);
    PostMessageA(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { Load(); }
    void TearDown() override { host::UnloadPlugin(plugin_); }

    void Load() {
        std::string error;
        ASSERT_TRUE(host::LoadPlugin(QUILLPACK_PLUGIN_PATH, plugin_, error)) << error;
    }

    // Runs ConfigurePacker here and hands the dialog to `drive` on a second thread; `drive` ends
    // with the step that closes the dialog. Returns what ConfigurePacker returned.
    int Open(const std::function<void(HWND)>& drive) {
        std::atomic<bool> returned{false};
        std::thread driver([&] {
            HWND dialog = WaitFor(VisibleSettingsDialog, &returned);
            if (dialog == nullptr) {
                ADD_FAILURE() << "the settings dialog did not appear";
                return;
            }
            drive(dialog);
            if (WaitUntilClosed(dialog)) return;
            // A failed step left it open; close everything so that the run goes on.
            ADD_FAILURE() << "the settings dialog was left open";
            if (HWND about = AboutBoxOf(dialog)) PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        const int result = plugin_.configure_packer(nullptr, plugin_.module);
        returned = true;
        driver.join();
        return result;
    }

    // Opens the dialog only to look at it, and cancels.
    SettingsView Reopen() {
        SettingsView view{};
        EXPECT_EQ(Open([&](HWND dialog) {
                      view = Read(dialog);
                      Click(dialog, IDCANCEL);
                  }),
                  IDCANCEL);
        return view;
    }

    // Chooses a type and a prefix and confirms them with OK.
    void Save(int type, const std::string& prefix) {
        EXPECT_EQ(Open([&](HWND dialog) {
                      ChooseType(dialog, type);
                      TypePrefix(dialog, prefix);
                      Click(dialog, IDOK);
                  }),
                  IDOK);
    }

    host::Plugin plugin_;
};

TEST_F(SettingsDialog, OpensOnArmaWithAnEmptyPrefixAndClosesThePrefixForOfp) {
    const int result = Open([](HWND dialog) {
        EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDOK));
        EXPECT_EQ(ListItem(dialog, 0), "ArmA PBO");
        EXPECT_EQ(ListItem(dialog, 1), "OFP: Resistance PBO");
        SettingsView view = Read(dialog);
        EXPECT_EQ(view.selected_text, "ArmA PBO");
        EXPECT_EQ(view.prefix, "");
        EXPECT_TRUE(view.label_enabled);
        EXPECT_TRUE(view.prefix_enabled);

        TypePrefix(dialog, "addons\\island");
        ChooseType(dialog, 1);
        view = Read(dialog);
        EXPECT_EQ(view.selected_text, "OFP: Resistance PBO");
        EXPECT_FALSE(view.label_enabled);
        EXPECT_FALSE(view.prefix_enabled);

        ChooseType(dialog, 0);
        view = Read(dialog);
        EXPECT_TRUE(view.label_enabled);
        EXPECT_TRUE(view.prefix_enabled);
        EXPECT_EQ(view.prefix, "addons\\island");
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(SettingsDialog, OkStoresTypeAndPrefixExactlyAsTyped) {
    // Text left in the closed field is saved as well; spaces and backslashes stay.
    Save(1, " \\addons\\x\\ ");
    const SettingsView view = Reopen();
    EXPECT_EQ(view.selected_text, "OFP: Resistance PBO");
    EXPECT_EQ(view.prefix, " \\addons\\x\\ ");
    EXPECT_FALSE(view.label_enabled);
    EXPECT_FALSE(view.prefix_enabled);
}

TEST_F(SettingsDialog, CancelEscAndTheCloseButtonStoreNothing) {
    Save(0, "kept");
    const std::pair<const char*, std::function<void(HWND)>> closers[] = {
        {"Cancel button", [](HWND dialog) { Click(dialog, IDCANCEL); }},
        {"Esc", [](HWND dialog) { PressKey(dialog, VK_ESCAPE); }},
        {"close button", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [name, close] : closers) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Open([&](HWND dialog) {
                      ChooseType(dialog, 1);
                      TypePrefix(dialog, "changed");
                      close(dialog);
                  }),
                  IDCANCEL);
        const SettingsView view = Reopen();
        EXPECT_EQ(view.selected_text, "ArmA PBO");
        EXPECT_EQ(view.prefix, "kept");
    }
}

TEST_F(SettingsDialog, APrefixIsStoredWholeOrNotAtAll) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string(259, 'p'), std::string(259, 'p')},  // the most the buffer holds
        {std::string(260, 'q'), ""},
        {"abc", "abc"},
        {std::string(1000, 'r'), ""},
        {"", ""},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE("typed " + std::to_string(typed.size()) + " characters");
        Save(0, typed);
        EXPECT_EQ(Reopen().prefix, stored);
    }
}

TEST_F(SettingsDialog, AboutBoxOpensAgainAndAgainAndKeepsUnsavedChanges) {
    const std::pair<const char*, std::function<void(HWND)>> closers[] = {
        {"OK button", [](HWND about) { Click(about, IDOK); }},
        {"Esc", [](HWND about) { PressKey(about, VK_ESCAPE); }},
        {"Enter", [](HWND about) { PressKey(about, VK_RETURN); }},
    };
    const int result = Open([&](HWND dialog) {
        ChooseType(dialog, 1);
        TypePrefix(dialog, "unsaved");
        for (const auto& [name, close] : closers) {
            SCOPED_TRACE(name);
            Click(dialog, kAbout);
            HWND about = WaitFor([&] { return AboutBoxOf(dialog); });
            ASSERT_NE(about, nullptr) << "the About box did not appear";
            EXPECT_EQ(TextOf(about), "");
            EXPECT_NE(SendDlgItemMessageA(about, kIcon, STM_GETICON, 0, 0), 0);
            EXPECT_FALSE(IsWindowEnabled(dialog));  // modal: its owner waits
            close(about);
            ASSERT_TRUE(WaitUntilClosed(about));
            const SettingsView view = Read(dialog);
            EXPECT_EQ(view.selected_text, "OFP: Resistance PBO");
            EXPECT_EQ(view.prefix, "unsaved");
            EXPECT_FALSE(view.prefix_enabled);
        }
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Reopen().selected_text, "ArmA PBO");
}

// Without the host's ini file a reload starts from the defaults; with it, what OK stored is
// found again after the module is unloaded and loaded.
TEST_F(SettingsDialog, ReloadingTheModuleFindsTheSettingsInTheHostsIniFile) {
    Save(1, "x");
    host::UnloadPlugin(plugin_);
    Load();
    SettingsView view = Reopen();
    EXPECT_EQ(view.selected_text, "ArmA PBO");
    EXPECT_EQ(view.prefix, "");

    test::TempDir dir;
    PackDefaultParamStruct params{};
    params.size = sizeof params;
    std::snprintf(params.DefaultIniName, sizeof params.DefaultIniName, "%s",
                  dir.File("wincmd.ini").c_str());
    plugin_.pack_set_default_params(&params);
    // The signing key, chosen in the system's Open dialog, and version 2 go with OK.
    const std::string key = dir.File("mod.biprivatekey");
    test::WriteWholeFile(key, "key");
    EXPECT_EQ(Open([&](HWND dialog) {
                  EXPECT_EQ(Read(dialog).version_index, 0);
                  Click(dialog, kBrowse);
                  HWND open = WaitFor([&] { return AboutBoxOf(dialog); });
                  ASSERT_NE(open, nullptr) << "the Open dialog did not appear";
                  EXPECT_EQ(TextOf(open), "Sign with key");
                  HWND name = GetDlgItem(open, 1148);                  // the file name box (cmb13)
                  if (name == nullptr) name = GetDlgItem(open, 1152);  // (edt1)
                  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(key.c_str()));
                  PostMessageA(open, WM_COMMAND, IDOK, 0);
                  ASSERT_TRUE(WaitUntilClosed(open));
                  EXPECT_EQ(Read(dialog).sign_key, key);
                  SendDlgItemMessageA(dialog, kSignVersion, CB_SETCURSEL, 1, 0);
                  ChooseType(dialog, 0);
                  TypePrefix(dialog, "addons\\kept");
                  Click(dialog, IDOK);
              }),
              IDOK);
    const std::string ini = test::ReadWholeFile(params.DefaultIniName);
    EXPECT_NE(ini.find("sign_key=" + key), std::string::npos) << ini;
    EXPECT_NE(ini.find("sign_version=2"), std::string::npos) << ini;
    test::WriteWholeFile(dir.File("a.txt"), "hello");
    std::string source = dir.path + "\\";
    std::string add_list("a.txt\0", 7);
    std::string archive = dir.File("before.pbo");
    ASSERT_EQ(plugin_.pack_files(archive.data(), nullptr, source.data(), add_list.data(), 0), 0);
    host::UnloadPlugin(plugin_);
    Load();
    plugin_.pack_set_default_params(&params);
    view = Reopen();
    EXPECT_EQ(view.selected_text, "ArmA PBO");
    EXPECT_EQ(view.prefix, "addons\\kept");
    EXPECT_EQ(view.sign_key, key);
    EXPECT_EQ(view.version_index, 1);
    archive = dir.File("after.pbo");
    ASSERT_EQ(plugin_.pack_files(archive.data(), nullptr, source.data(), add_list.data(), 0), 0);
    EXPECT_NE(test::ReadWholeFile(archive).find(std::string("prefix\0addons\\kept\0", 19)),
              std::string::npos);
}

TEST_F(SettingsDialog, NewArchivesCarryThePairChosenWithOk) {
    const auto pair = [](const std::string& key, const std::string& value) {
        return key + '\0' + value + '\0';
    };
    struct Case {
        int type;
        std::string prefix;
        std::string extension;  // the strings after the extension entry, before its closing NUL
    };
    const Case cases[] = {
        {0, "addons\\island", pair("prefix", "addons\\island")},
        {1, "not written", pair("product", "OFP: Resistance")},
        {-1, "not written", ""},  // a list left without a selection
    };
    test::TempDir dir;
    test::WriteWholeFile(dir.File("a.txt"), "hello");
    std::string source = dir.path + "\\";
    std::string add_list("a.txt\0", 7);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        Save(c.type, c.prefix);
        std::string archive = dir.File("new" + std::to_string(n++) + ".pbo");
        ASSERT_EQ(plugin_.pack_files(archive.data(), nullptr, source.data(), add_list.data(), 0),
                  0);
        const std::string bytes = test::ReadWholeFile(archive);
        constexpr std::size_t kExtensionEntry = 21;
        EXPECT_EQ(bytes.substr(kExtensionEntry, c.extension.size() + 1), c.extension + '\0');
        std::vector<host::ListedEntry> entries;
        EXPECT_EQ(host::ListArchive(plugin_, archive, entries), E_END_ARCHIVE);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, "a.txt");
        EXPECT_EQ(entries[0].unp_size, 5);
    }
}

}  // namespace
}  // namespace qp
