// Test support: registry values and files read and written around the code under test, to
// compare them byte for byte before and after.
#pragma once

#include <windows.h>

#include <string>

namespace kutest {

struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
    bool operator==(const RawValue& other) const {
        return exists == other.exists && type == other.type && bytes == other.bytes;
    }
};

RawValue ReadRawValue(HKEY root, const std::string& path, const std::string& name, REGSAM view);
// Creates the key when it is missing.
void WriteRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes, REGSAM view);
void DeleteRawValue(HKEY root, const std::string& path, const std::string& name, REGSAM view);
// A string value's bytes as RegSetValueEx stores them: the text and its terminating zero.
inline std::string StringBytes(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

// A value of the test's own in a key it does not own (a Run key, say), deleted when it goes.
class ScopedValue {
  public:
    ScopedValue(HKEY root, std::string path, std::string name, REGSAM view)
        : root_(root), path_(std::move(path)), name_(std::move(name)), view_(view) {}
    ~ScopedValue() { DeleteRawValue(root_, path_, name_, view_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;
    const std::string& Name() const { return name_; }

  private:
    HKEY root_;
    std::string path_, name_;
    REGSAM view_;
};

// The whole file, or "<missing>" when it cannot be read.
std::string ReadFileBytes(const std::string& path);

} // namespace kutest
