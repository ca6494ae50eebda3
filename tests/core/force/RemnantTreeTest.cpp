// The remnant key tree: program keys from collected paths, live keys and values, ticking rules
// and the items the ticked nodes become (names with "=" and ">" included).
#include <gtest/gtest.h>

#include <algorithm>

#include "ForceSupport.h"
#include "core/force/RemnantTree.h"
#include "core/system/StrUtil.h"

using namespace ku;
using kutest::HasItem;
using kutest::ItemText;
using kutest::OwnKey;

TEST(RemnantTree, ProgramKeysAreMergedFilteredAndShownForTheUserToo) {
    const std::string name = kutest::UniqueTag("KuTree");
    OwnKey user(HKEY_CURRENT_USER, "Software\\" + name);
    const std::vector<std::string> keys = RemnantProgramKeys({
        "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name + "\\Settings",
        "SOFTWARE\\" + LowerCase(name) + "\\Other",
        "SOFTWARE\\Microsoft\\Foo",
        "SOFTWARE\\Wow6432Node\\Bar",
        "SOFTWARE\\Classes\\Baz",
        "HKEY_CURRENT_USER\\SOFTWARE\\Lone",
        "SYSTEM\\NoSoftware",
    });
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name);
    EXPECT_EQ(keys[1], "HKEY_LOCAL_MACHINE\\SOFTWARE\\Lone");
    EXPECT_EQ(keys[2], "HKEY_CURRENT_USER\\SOFTWARE\\" + name);
}

TEST(RemnantTree, BuildsLiveNodesAndTicksWholeSubtrees) {
    const std::string name = kutest::UniqueTag("KuTree");
    OwnKey machine(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + name);
    machine.SetString("", "x>y", "data=1");
    machine.SetDword("", "num", 7);
    machine.SetBinary("", "bin", std::string("\x01\x02", 2));
    machine.SetString("", "multi", std::string("a\0b\0", 4), REG_MULTI_SZ);
    machine.SetString("Sub=Key", "inner", "v");
    machine.SetString("Sub=Key\\Deep", "", "");

    TRemnantTree tree;
    tree.BuildRemnantTree({"SOFTWARE\\" + name + "\\Sub=Key"});
    ASSERT_EQ(tree.Roots().size(), 1u);
    const int program = tree.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name);
    ASSERT_GE(program, 0);
    const RemnantNode& node = tree.Nodes()[program];
    // Values first (in enumeration order; the multi-string adds none), then subkeys.
    ASSERT_EQ(node.children.size(), 4u);
    std::vector<std::string> values;
    for (int i = 0; i < 3; ++i)
        values.push_back(tree.Nodes()[node.children[i]].text);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::string>{"bin", "num>7", "x>y>data=1"}));
    const int number = tree.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name + "\\num>7");
    ASSERT_GE(number, 0);
    EXPECT_EQ(tree.Nodes()[number].image, RemnantImageNumber);
    const int text = tree.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name + "\\x>y>data=1");
    ASSERT_GE(text, 0);
    EXPECT_EQ(tree.Nodes()[node.children[3]].text, "Sub=Key");
    const int sub = node.children[3];
    const int deep = tree.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + name + "\\Sub=Key\\Deep");
    ASSERT_GE(deep, 0);
    EXPECT_TRUE(tree.Nodes()[deep].children.empty()); // an empty default value adds no node

    // The two top levels carry no check box.
    EXPECT_FALSE(tree.ToggleNode(tree.Roots()[0]));
    TUninstallerContents none;
    tree.AddCheckedRemnants(none);
    EXPECT_EQ(none.Count(), 0);

    ASSERT_TRUE(tree.ToggleNode(sub));
    EXPECT_EQ(tree.Nodes()[deep].state, RemnantTicked);
    const int inner = tree.Nodes()[sub].children[0];
    EXPECT_FALSE(tree.ToggleNode(inner)); // stays ticked while its key is
    EXPECT_TRUE(tree.ToggleNode(text));

    TUninstallerContents list;
    tree.AddCheckedRemnants(list);
    const std::string root = "HKEY_LOCAL_MACHINE", base = "SOFTWARE\\" + name;
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(kutest::ItemTexts(list)[0], ItemText("2", root, base, "x>y"));
    EXPECT_EQ(kutest::ItemTexts(list)[1], ItemText("1", root, base + "\\Sub=Key"));
    EXPECT_EQ(kutest::ItemTexts(list)[2], ItemText("2", root, base + "\\Sub=Key", "inner"));
    EXPECT_EQ(kutest::ItemTexts(list)[3], ItemText("1", root, base + "\\Sub=Key\\Deep"));

    // Unticking the key unticks its subtree.
    ASSERT_TRUE(tree.ToggleNode(sub));
    EXPECT_EQ(tree.Nodes()[inner].state, RemnantUnticked);
    EXPECT_EQ(tree.Nodes()[deep].state, RemnantUnticked);
}

TEST(RemnantTree, MissingKeysStayAsEmptyNodes) {
    TRemnantTree tree;
    tree.BuildRemnantTree({"SOFTWARE\\" + kutest::UniqueTag("KuMissing") + "\\x", "SOFTWARE\\"});
    ASSERT_EQ(tree.Nodes().size(), 3u); // root, SOFTWARE, the program key
    EXPECT_TRUE(tree.Nodes()[2].children.empty());
    tree.BuildRemnantTree({});
    EXPECT_TRUE(tree.Nodes().empty());
}
