// The test prefix cannot reach the host: no drive but C:, and the marker of the private prefix.
#include <gtest/gtest.h>

#include "support/Sandbox.h"

TEST(Sandbox, PrefixIsPrivateAndHasNoHostDrive) {
    EXPECT_EQ(kutest::SandboxProblem(), "");
    EXPECT_EQ(GetDriveTypeA("Z:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    DWORD drives = GetLogicalDrives();
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        UINT type = GetDriveTypeA(root.c_str());
        EXPECT_TRUE(type == DRIVE_NO_ROOT_DIR || type == DRIVE_CDROM ||
                    !(drives & (1u << (letter - 'A'))))
            << root << " is mapped (type " << type << ")";
    }
}
