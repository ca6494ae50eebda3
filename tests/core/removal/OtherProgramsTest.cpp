// Product codes in the Installer's own form: an Installer product's entry is known by its braced
// code, its records by the packed one that Windows Installer (here Wine's) writes.
#include <gtest/gtest.h>

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

} // namespace
