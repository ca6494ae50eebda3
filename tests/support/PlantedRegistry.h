// Test support: values written at the fixed places a program under test reads (a vendor's
// key, the Run key ...), removed again at the end together with every key the writing had to
// create. A key that was there before keeps everything but the planted values.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/RawRegistry.h"

namespace kutest {

class PlantedRegistry {
  public:
    explicit PlantedRegistry(REGSAM view = 0) : view_(view) {}
    ~PlantedRegistry() {
        for (const Planted& value : values_)
            RawDeleteValue(value.root, value.path, value.name, view_);
        for (auto key = createdKeys_.rbegin(); key != createdKeys_.rend(); ++key)
            RawDeleteTree(key->first, key->second, view_);
    }
    PlantedRegistry(const PlantedRegistry&) = delete;
    PlantedRegistry& operator=(const PlantedRegistry&) = delete;

    void Key(HKEY root, const std::string& path) {
        for (size_t end = 0; end != std::string::npos;) {
            end = path.find('\\', end + 1);
            if (!RawKeyExists(root, path.substr(0, end), view_)) {
                createdKeys_.emplace_back(root, path.substr(0, end));
                break;
            }
        }
        RawCreateKey(root, path, view_);
    }
    void String(HKEY root, const std::string& path, const std::string& name,
                const std::string& value) {
        Value(root, path, name, REG_SZ, StringBytes(value));
    }
    void Value(HKEY root, const std::string& path, const std::string& name, DWORD type,
               const std::string& data) {
        Key(root, path);
        RawSetValue(root, path, name, type, data, view_);
        values_.push_back({root, path, name});
    }

  private:
    struct Planted {
        HKEY root;
        std::string path, name;
    };
    REGSAM view_;
    std::vector<Planted> values_;
    std::vector<std::pair<HKEY, std::string>> createdKeys_; // the topmost key each write made
};

} // namespace kutest
