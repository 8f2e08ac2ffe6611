// The dialog templates compiled into the plugin module, read back byte by byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qp {
namespace {

constexpr WORD kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);  // 1049

struct ItemTemplate {
    std::uint32_t help_id = 0;
    std::uint32_t ex_style = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::int32_t id = 0;
    std::string class_name;  // atoms are given their class's name
    std::string title;
    std::uint16_t extra_count = 0;
};

struct DialogTemplate {
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    std::uint32_t help_id = 0;
    std::uint32_t ex_style = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string window_class;
    std::string title;
    std::uint16_t point_size = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::string typeface;
    std::vector<ItemTemplate> items;
};

// Reads a DLGTEMPLATEEX; `error` tells where the bytes ran out or broke the layout.
class TemplateReader {
public:
    TemplateReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Read() {
        T value{};
        if (pos_ + sizeof value > size_) {
            error = "template ends early at byte " + std::to_string(pos_);
            pos_ = size_;
            return value;
        }
        std::memcpy(&value, data_ + pos_, sizeof value);
        pos_ += sizeof value;
        return value;
    }

    // A UTF-16 string; these templates hold ASCII text only, anything else shows as '?'.
    std::string String() {
        std::string text;
        for (std::uint16_t c = Read<std::uint16_t>(); c != 0 && error.empty();
             c = Read<std::uint16_t>())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }

    // A name, or 0xFFFF and an ordinal, shown as "#ordinal"; "" for none.
    std::string NameOrOrdinal() {
        const std::uint16_t first = Read<std::uint16_t>();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Read<std::uint16_t>());
        pos_ -= 2;
        return String();
    }

    void AlignToDword() {
        while (pos_ % 4 != 0 && pos_ < size_) pos_++;
    }

    std::size_t position() const { return pos_; }
    std::string error;

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

std::string ClassName(const std::string& name) {
    if (name == "#128") return "BUTTON";
    if (name == "#129") return "EDIT";
    if (name == "#130") return "STATIC";
    if (name == "#133") return "COMBOBOX";
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

DialogTemplate ParseTemplate(const std::uint8_t* data, std::size_t size, std::string& error) {
    TemplateReader in(data, size);
    DialogTemplate dialog;
    dialog.version = in.Read<std::uint16_t>();
    dialog.signature = in.Read<std::uint16_t>();
    dialog.help_id = in.Read<std::uint32_t>();
    dialog.ex_style = in.Read<std::uint32_t>();
    dialog.style = in.Read<std::uint32_t>();
    const std::uint16_t count = in.Read<std::uint16_t>();
    dialog.x = in.Read<std::int16_t>();
    dialog.y = in.Read<std::int16_t>();
    dialog.cx = in.Read<std::int16_t>();
    dialog.cy = in.Read<std::int16_t>();
    dialog.menu = in.NameOrOrdinal();
    dialog.window_class = in.NameOrOrdinal();
    dialog.title = in.String();
    if (dialog.style & DS_SETFONT) {
        dialog.point_size = in.Read<std::uint16_t>();
        dialog.weight = in.Read<std::uint16_t>();
        dialog.italic = in.Read<std::uint8_t>();
        dialog.charset = in.Read<std::uint8_t>();
        dialog.typeface = in.String();
    }
    for (int i = 0; i < count && in.error.empty(); i++) {
        in.AlignToDword();
        ItemTemplate item;
        item.help_id = in.Read<std::uint32_t>();
        item.ex_style = in.Read<std::uint32_t>();
        item.style = in.Read<std::uint32_t>();
        item.x = in.Read<std::int16_t>();
        item.y = in.Read<std::int16_t>();
        item.cx = in.Read<std::int16_t>();
        item.cy = in.Read<std::int16_t>();
        item.id = in.Read<std::int32_t>();
        item.class_name = ClassName(in.NameOrOrdinal());
        item.title = in.NameOrOrdinal();
        item.extra_count = in.Read<std::uint16_t>();
        dialog.items.push_back(item);
    }
    error = in.error;
    if (error.empty() && size - in.position() >= 4)
        error = std::to_string(size - in.position()) + " bytes follow the last control";
    return error.empty() ? dialog : DialogTemplate{};
}

class DialogResources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(QUILLPACK_PLUGIN_PATH);
        ASSERT_NE(module_, nullptr) << "cannot load " << QUILLPACK_PLUGIN_PATH;
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    DialogTemplate Load(int id) {
        HRSRC found = FindResourceExA(module_, RT_DIALOG, MAKEINTRESOURCEA(id), kRussian);
        EXPECT_NE(found, nullptr) << "no dialog " << id << " in language 1049";
        if (found == nullptr) return {};
        const auto* data =
            static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
        std::string error;
        DialogTemplate dialog = ParseTemplate(data, SizeofResource(module_, found), error);
        EXPECT_EQ(error, "") << "dialog " << id;
        return dialog;
    }

    HMODULE module_ = nullptr;
};

void ExpectFrame(const DialogTemplate& dialog, std::uint32_t ex_style, std::uint32_t style, int cx,
                 int cy, const std::string& title) {
    EXPECT_EQ(dialog.version, 1);
    EXPECT_EQ(dialog.signature, 0xFFFF);
    EXPECT_EQ(dialog.help_id, 0u);
    EXPECT_EQ(dialog.ex_style, ex_style);
    EXPECT_EQ(dialog.style, style);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.window_class, "");
    EXPECT_EQ(dialog.title, title);
    EXPECT_EQ(dialog.point_size, 8);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, "MS Shell Dlg");
}

void ExpectItems(const DialogTemplate& dialog, const std::vector<ItemTemplate>& expected) {
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); i++) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const ItemTemplate& got = dialog.items[i];
        const ItemTemplate& want = expected[i];
        EXPECT_EQ(got.help_id, 0u);
        EXPECT_EQ(got.ex_style, want.ex_style);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.class_name, want.class_name);
        EXPECT_EQ(got.title, want.title);
        EXPECT_EQ(got.extra_count, 0);
    }
}

ItemTemplate Control(std::int32_t id, const char* class_name, const char* title,
                     std::uint32_t style, int x, int y, int cx, int cy,
                     std::uint32_t ex_style = 0) {
    ItemTemplate item;
    item.id = id;
    item.class_name = class_name;
    item.title = title;
    item.style = style;
    item.ex_style = ex_style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    return item;
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountLanguage(HMODULE, LPCSTR, LPCSTR, WORD, LONG_PTR count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountType(HMODULE, LPSTR type, LONG_PTR types) {
    reinterpret_cast<std::vector<std::uintptr_t>*>(types)->push_back(
        reinterpret_cast<std::uintptr_t>(type));
    return TRUE;
}

TEST_F(DialogResources, TheModuleCarriesExactlyTwoDialogsAndNothingElse) {
    std::vector<std::uintptr_t> types;
    EnumResourceTypesA(module_, CountType, reinterpret_cast<LONG_PTR>(&types));
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0], reinterpret_cast<std::uintptr_t>(RT_DIALOG));
    int dialogs = 0;
    EnumResourceNamesA(module_, RT_DIALOG, CountName, reinterpret_cast<LONG_PTR>(&dialogs));
    EXPECT_EQ(dialogs, 2);
    for (int id : {101, 102}) {
        int languages = 0;
        EnumResourceLanguagesA(module_, RT_DIALOG, MAKEINTRESOURCEA(id), CountLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, 1) << "dialog " << id;
    }
}

TEST_F(DialogResources, SettingsTemplateMatchesItsLayout) {
    const DialogTemplate dialog = Load(101);
    ExpectFrame(dialog, 0x00000080, 0x80C80848, 226, 121, "PBO plugin settings");
    ExpectItems(dialog,
                {
                    Control(1, "BUTTON", "OK", 0x50010001, 55, 100, 50, 14),
                    Control(2, "BUTTON", "Cancel", 0x50010000, 112, 100, 50, 14),
                    Control(-1, "STATIC", "PBO type:", 0x50020000, 7, 7, 39, 9),
                    Control(1004, "COMBOBOX", "", 0x50210103, 71, 7, 148, 13),
                    Control(1005, "STATIC", "PBO prefix:", 0x50020000, 7, 28, 39, 9),
                    Control(1002, "EDIT", "", 0x50810080, 71, 28, 148, 12),
                    Control(1003, "BUTTON", "About", 0x50010000, 169, 100, 50, 14),
                    Control(-1, "STATIC",
                            "Note: this settings will be ignored if packing to an existing archive",
                            0x50020000, 7, 46, 212, 12),
                    Control(-1, "STATIC", "Sign with key:", 0x50020000, 7, 64, 60, 9),
                    Control(1007, "EDIT", "", 0x50810080, 71, 64, 104, 12),
                    Control(1008, "BUTTON", "Browse...", 0x50010000, 179, 63, 40, 14),
                    Control(-1, "STATIC", "Signature version:", 0x50020000, 7, 82, 62, 9),
                    Control(1009, "COMBOBOX", "", 0x50210003, 71, 82, 148, 40),
                });
}

TEST_F(DialogResources, AboutTemplateMatchesItsLayout) {
    const DialogTemplate dialog = Load(102);
    ExpectFrame(dialog, 0x00000080, 0x80880848, 136, 73, "");
    ExpectItems(dialog,
                {
                    Control(1, "BUTTON", "OK", 0x50018001, 43, 51, 50, 14, 0x00020000),
                    Control(1006, "STATIC", "", 0x50000003, 7, 5, 21, 20),
                    Control(-1, "STATIC", "E-mail: quillpack@example.org\nICQ: 000000000",
                            0x5002000C, 36, 27, 93, 20),
                    Control(-1, "STATIC", "quillpack PBO plugin\n(c) 2026 quillpack contributors",
                            0x5002000C, 36, 5, 93, 20),
                });
}

}  // namespace
}  // namespace qp
