#pragma once

#include "console/port_name_collection.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

// One registry value as stored: name, type and raw data bytes.
struct StoredValue {
    std::string name;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
};

inline StoredValue Text(std::string name, const std::string& text) {
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return {std::move(name), REG_SZ, std::move(data)};
}

inline StoredValue Raw(std::string name, DWORD type, const std::string& bytes) {
    return {std::move(name), type, std::vector<BYTE>(bytes.begin(), bytes.end())};
}

// The live serial port key of the test prefix, which other test programs need
// as the lab left it (COM5..COM8): each test saves it, writes the values it
// needs and puts the saved ones back.
class SerialCommKey : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialCommKeyPath, 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        saved = ReadAll();
        Clear();
    }
    void TearDown() override {
        if (key == nullptr) {
            ASSERT_TRUE(Recreate());
        }
        Clear();
        Write(saved);
        EXPECT_EQ(ReadAll().size(), saved.size());
        RegCloseKey(key);
    }

    std::vector<StoredValue> ReadAll() {
        std::vector<StoredValue> values;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD nameSize = sizeof name;
            StoredValue value;
            value.data.resize(1024);
            DWORD dataSize = static_cast<DWORD>(value.data.size());
            if (RegEnumValueA(key, index, name, &nameSize, nullptr, &value.type, value.data.data(),
                              &dataSize) != ERROR_SUCCESS) {
                return values;
            }
            value.name.assign(name, nameSize);
            value.data.resize(dataSize);
            values.push_back(std::move(value));
        }
    }
    void Clear() {
        for (const StoredValue& value : ReadAll()) {
            RegDeleteValueA(key, value.name.c_str());
        }
        ASSERT_TRUE(ReadAll().empty());
    }
    void Write(const std::vector<StoredValue>& values) {
        for (const StoredValue& value : values) {
            ASSERT_EQ(RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                                     static_cast<DWORD>(value.data.size())),
                      ERROR_SUCCESS)
                << value.name;
        }
    }
    // Removes the key itself (it has no subkeys); Recreate brings it back in
    // the volatile form the system gives it.
    void Remove() {
        RegCloseKey(key);
        key = nullptr;
        ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, SerialCommKeyPath), ERROR_SUCCESS);
    }
    bool Recreate() {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, SerialCommKeyPath, 0, nullptr,
                               REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                               nullptr) == ERROR_SUCCESS;
    }

    HKEY key = nullptr;
    std::vector<StoredValue> saved;
};
