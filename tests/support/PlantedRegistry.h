// Test support: values written at the fixed places a program under test reads (a vendor's
// key, the Run key ...), removed again at the end together with every key the writing had to
// create. A key that was there before keeps everything but the planted values.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace kutest {

class PlantedRegistry {
  public:
    explicit PlantedRegistry(REGSAM view = 0) : view_(view) {}
    ~PlantedRegistry();
    PlantedRegistry(const PlantedRegistry&) = delete;
    PlantedRegistry& operator=(const PlantedRegistry&) = delete;

    void Key(HKEY root, const std::string& path);
    void String(HKEY root, const std::string& path, const std::string& name,
                const std::string& value);
    void Value(HKEY root, const std::string& path, const std::string& name, DWORD type,
               const std::string& data);
    REGSAM View() const { return view_; }

  private:
    struct Planted {
        HKEY root;
        std::string path;
        std::string name;
    };
    REGSAM view_;
    std::vector<Planted> values_;
    std::vector<std::pair<HKEY, std::string>> createdKeys_; // the topmost key each write made
};

} // namespace kutest
