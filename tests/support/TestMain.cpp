// main() of every test program: refuses to run outside the private Wine prefix.
#include <cstdio>

#include <gtest/gtest.h>

#include "support/Sandbox.h"

int main(int argc, char** argv) {
    std::string problem = kutest::SandboxProblem();
    if (!problem.empty()) {
        std::fprintf(stderr, "Refusing to run: %s\n", problem.c_str());
        return 2;
    }
    // Unbuffered, so a test that hangs still shows how far it got.
    setvbuf(stdout, nullptr, _IONBF, 0);
    // Test programs must never stop on a crash dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
