#pragma once

#include <map>
#include <optional>
#include <string>

#include "settings/PreferenceStore.h"

namespace tidemark::test {

class MemoryPreferenceStore final : public PreferenceStore {
public:
    std::map<std::string, bool> values;
    int writeCount = 0;

    std::optional<bool> boolValue(const std::string& key) const override {
        const auto it = values.find(key);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }

    void setBool(const std::string& key, bool value) override {
        values[key] = value;
        ++writeCount;
    }
};

}  // namespace tidemark::test
