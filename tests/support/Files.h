// Test support: file checks and reads that bypass the code under test.
#pragma once

#include <string>

namespace kutest {

// A file or a folder is there.
bool PathExists(const std::string& path);
// A file (not a folder) is there.
bool FileThere(const std::string& path);
// The whole file; "" when it cannot be read.
std::string ReadAll(const std::string& path);
bool WriteTextFile(const std::string& path, const std::string& text = "x");
// The Windows folder and the system folder, as Windows answers them.
std::string WindowsFolder();
std::string SystemFolder();

} // namespace kutest
