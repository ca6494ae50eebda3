// What the result page lists: each key with its root, one row for one key however often and in
// whichever letter case or registry view the scans found it.
#include <gtest/gtest.h>

#include "core/removal/WizardState.h"

namespace {

struct Item {
    const char *type, *root, *key, *value, *data, *view, *file;
};

ku::TUninstallerContents Contents(std::initializer_list<Item> items) {
    ku::TUninstallerContents list;
    for (const Item& i : items) {
        ku::TContent& c = list.GetItem(list.AddItem()).Content;
        c.ItemType = i.type;
        c.RootKeyName = i.root;
        c.KeyPath = i.key;
        c.ValueName = i.value;
        c.ValueData = i.data;
        c.Extra = i.view;
        c.FilePath = i.file;
    }
    return list;
}

std::string Shown(const ku::ResultRows& rows) {
    std::string text;
    for (const ku::ResultRow& row : rows.registry)
        text += row.key + (row.value.empty() ? "" : " = " + row.value) + "\n";
    for (const std::string& file : rows.files)
        text += file + "\n";
    return text;
}

TEST(ListedResults, EachKeyOnceWithItsRoot) {
    const struct {
        const char* what;
        ku::TUninstallerContents contents;
        const char* shown;
    } cases[] = {
        {"one key in two roots",
         Contents({{"1", "HKEY_LOCAL_MACHINE", "Software\\KuDemoApp", "", "", "64", ""},
                   {"1", "HKEY_CURRENT_USER", "Software\\KuDemoApp", "", "", "64", ""}}),
         "HKEY_LOCAL_MACHINE\\Software\\KuDemoApp\nHKEY_CURRENT_USER\\Software\\KuDemoApp\n"},
        {"one key in two letter cases and two views",
         Contents({{"1", "HKEY_CURRENT_USER", "SOFTWARE\\KuDemoApp", "", "", "64", ""},
                   {"1", "HKEY_CURRENT_USER", "Software\\KuDemoApp", "", "", "32", ""}}),
         "HKEY_CURRENT_USER\\SOFTWARE\\KuDemoApp\n"},
        {"a value by name, else by its data; a file once",
         Contents({{"2", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Run", "KuDemo", "x", "64", ""},
                   {"2", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Run", "kudemo", "x", "32", ""},
                   {"2", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Dlls", "", "C:\\Ku\\a.dll", "64", ""},
                   {"3", "", "", "", "", "", "C:\\Ku\\a.dll"},
                   {"3", "", "", "", "", "", "c:\\ku\\A.DLL"}}),
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Run = KuDemo\n"
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dlls = C:\\Ku\\a.dll\nC:\\Ku\\a.dll\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shown(ku::ListedResults(c.contents)), c.shown) << c.what;
}

} // namespace
