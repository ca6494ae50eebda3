// The remnant key tree: program keys from collected paths, live keys and values, ticking rules
// and the items the ticked nodes become (names with "=" and ">" included).
#include <gtest/gtest.h>

#include "ForceSupport.h"
#include "core/force/RemnantTree.h"
#include "core/system/StrUtil.h"
#include "support/PlantedRegistry.h"

using namespace ku;
using namespace kutest;

TEST(RemnantTree, BuildsLiveNodesOfTheProgramKeysAndTicksWholeSubtrees) {
    const std::string base = "SOFTWARE\\" + UniqueTag("KuTree");
    const std::string node = "HKEY_LOCAL_MACHINE\\" + base;
    PlantedRegistry machine;
    machine.String(HKEY_LOCAL_MACHINE, base, "x>y", "data=1");
    machine.Value(HKEY_LOCAL_MACHINE, base, "num", REG_DWORD, DwordBytes(7));
    machine.Value(HKEY_LOCAL_MACHINE, base, "multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    machine.String(HKEY_LOCAL_MACHINE, base + "\\Sub=Key", "inner", "v");
    machine.String(HKEY_LOCAL_MACHINE, base + "\\Sub=Key\\Deep", "", "");

    const std::string missing = "SOFTWARE\\" + UniqueTag("KuMissing");
    TRemnantTree tree;
    // Paths merged by program key in any spelling; Microsoft's keys, 32-bit copies and keys
    // outside SOFTWARE left out. (The user's key of the same name: the force wizard's test.)
    tree.BuildRemnantTree({base + "\\Sub=Key", "\\HKEY_LOCAL_MACHINE\\" + LowerCase(base) + "\\x",
                           missing + "\\x", "SOFTWARE\\Microsoft\\Foo",
                           "SOFTWARE\\Wow6432Node\\Bar", "SYSTEM\\NoSoftware"});
    ASSERT_EQ(tree.Roots().size(), 1u);
    EXPECT_EQ(tree.Nodes()[tree.Nodes()[tree.Roots()[0]].children[0]].children.size(), 2u);
    // Values (a multi-string adds none) and subkeys; an empty default value adds no node; a
    // missing key stays as an empty node.
    const int sub = tree.Find(node + "\\Sub=Key"), deep = tree.Find(node + "\\Sub=Key\\Deep");
    const int text = tree.Find(node + "\\x>y>data=1"), number = tree.Find(node + "\\num>7");
    const int gone = tree.Find("HKEY_LOCAL_MACHINE\\" + missing);
    ASSERT_TRUE(sub >= 0 && deep >= 0 && text >= 0 && number >= 0 && gone >= 0);
    EXPECT_EQ(tree.Nodes()[tree.Find(node)].children.size(), 3u);

    // The two top levels carry no check box.
    EXPECT_FALSE(tree.ToggleNode(tree.Roots()[0]));
    ASSERT_TRUE(tree.ToggleNode(sub));
    EXPECT_EQ(tree.Nodes()[deep].state, RemnantTicked);
    const int inner = tree.Nodes()[sub].children[0];
    EXPECT_FALSE(tree.ToggleNode(inner)); // stays ticked while its key is
    EXPECT_TRUE(tree.ToggleNode(text));
    TUninstallerContents list;
    tree.AddCheckedRemnants(list);
    const std::string root = "HKEY_LOCAL_MACHINE";
    EXPECT_EQ(ItemTexts(list), (Lines{ItemText("2", root, base, "x>y"),
                                      ItemText("1", root, base + "\\Sub=Key"),
                                      ItemText("2", root, base + "\\Sub=Key", "inner"),
                                      ItemText("1", root, base + "\\Sub=Key\\Deep")}));
    // Unticking the key unticks its subtree.
    ASSERT_TRUE(tree.ToggleNode(sub));
    for (int unticked : {inner, deep})
        EXPECT_EQ(tree.Nodes()[unticked].state, RemnantUnticked);
    tree.BuildRemnantTree({});
    EXPECT_TRUE(tree.Nodes().empty());
}
