// Test support: a real service of the test's own, made through the service manager.
#pragma once

#include <windows.h>

#include <string>

namespace kutest {

// A service of its own, created through the service manager with the binary path given and
// deleted at the end (its process ended if it still runs).
class RealService {
  public:
    RealService(const std::string& name, const std::string& binaryPath, DWORD type);
    ~RealService();
    RealService(const RealService&) = delete;
    RealService& operator=(const RealService&) = delete;
    const std::string& Name() const { return name_; }
    bool Created() const { return created_; }
    bool Start();
    DWORD State() const;
    bool Gone() const;

  private:
    std::string name_;
    SC_HANDLE manager_;
    bool created_ = false;
    HANDLE process_ = nullptr;
};

} // namespace kutest
