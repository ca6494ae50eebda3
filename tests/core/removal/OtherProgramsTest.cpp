// Codes in the Installer's own forms: an Installer product's entry is known by its braced code,
// its records by the packed one that Windows Installer (here Wine's) writes, and its features
// list its components in a compressed form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/removal/InstallerRecords.h"
#include "core/removal/OtherPrograms.h"

namespace {

struct PackedCase {
    const char* braced;
    const char* packed; // "" when the text is no product code
};

TEST(PackedProductCode, IsTheFormTheInstallerKeepsItsRecordsIn) {
    const PackedCase cases[] = {
        // As msiexec recorded the fixture package C's component registration.
        {"{6D1C3A52-7E0B-4F1A-9C11-2B5A00000C01}", "25A3C1D6B0E7A1F4C911B2A50000C010"},
        {"{6d1c3a52-7e0b-4f1a-9c11-2b5a00000c01}", "25A3C1D6B0E7A1F4C911B2A50000C010"},
        {" {6D1C3A52-7E0B-4F1A-9C11-2B5A00000C01} ", "25A3C1D6B0E7A1F4C911B2A50000C010"},
        // The special list's 3ds Max 2008 code, in both forms.
        {"{BF658A51-6D4F-4CB0-8D40-D183692B995D}", "15A856FBF4D60BC4D8041D3896B299D5"},
        {"6D1C3A52-7E0B-4F1A-9C11-2B5A00000C01", ""},
        {"{6D1C3A52-7E0B-4F1A-9C11-2B5A00000C0}", ""},
        {"{6D1C3A52_7E0B-4F1A-9C11-2B5A00000C01}", ""},
        {"{6D1C3A52-7E0B-4F1A-9C11-2B5A00000C0G}", ""},
        {"KuFixtureNsis", ""},
        {"", ""},
    };
    for (const PackedCase& c : cases)
        EXPECT_EQ(ku::PackedProductCode(c.braced), c.packed) << c.braced;
}

struct FeatureCase {
    std::string text;
    std::vector<std::string> components;
};

TEST(FeatureComponentCodes, AreTheComponentsAFeatureLists) {
    // As msiexec recorded the fixture package C's feature, which holds its one component.
    const std::string c03 = "=[j(Kqb$LA[5A}D328}!", a03 = "=[j(Kqb$LA[5A}D1%%}!";
    const std::string packedC03 = "25A3C1D6B0E7A1F4C911B2A50000C030";
    const std::string packedA03 = "25A3C1D6B0E7A1F4C911B2A50000A030";
    const FeatureCase cases[] = {
        {c03, {packedC03}},
        {c03 + a03, {packedC03, packedA03}},
        {c03 + std::string(1, '\x02') + "Parent", {packedC03}},
        {c03 + "|" + a03, {packedC03, packedA03}},
        {c03.substr(0, 19), {}},
        {"", {}},
    };
    for (const FeatureCase& c : cases)
        EXPECT_EQ(ku::FeatureComponentCodes(c.text), c.components) << c.text;
}

} // namespace
