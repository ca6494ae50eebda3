// Test support: planted registry values and the keys made for them, removed at the end.
#include "support/PlantedRegistry.h"

#include "support/RawRegistry.h"

namespace kutest {

void PlantedRegistry::Key(HKEY root, const std::string& path) {
    size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        if (!RawKeyExists(root, prefix, view_)) {
            createdKeys_.emplace_back(root, prefix);
            break;
        }
    }
    RawCreateKey(root, path, view_);
}

void PlantedRegistry::String(HKEY root, const std::string& path, const std::string& name,
                             const std::string& value) {
    Value(root, path, name, REG_SZ, value + '\0');
}

void PlantedRegistry::Value(HKEY root, const std::string& path, const std::string& name, DWORD type,
                            const std::string& data) {
    Key(root, path);
    RawSetValue(root, path, name, type, data, view_);
    values_.push_back({root, path, name});
}

PlantedRegistry::~PlantedRegistry() {
    for (const Planted& value : values_)
        RawDeleteValue(value.root, value.path, value.name, view_);
    for (auto key = createdKeys_.rbegin(); key != createdKeys_.rend(); ++key)
        RawDeleteTree(key->first, key->second, view_);
}

} // namespace kutest
