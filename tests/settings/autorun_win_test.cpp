// The Run value under HKEY_LOCAL_MACHINE. These tests write and remove values of their own under
// the machine's Run key, so they need the rights to (administrator, or Wine's user).

#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/executable_path.h"
#include "settings/autorun.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <windows.h>

namespace zorva::settings {
namespace {

constexpr const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* title = "MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f";

struct StoredValue {
    DWORD type = REG_NONE;
    std::string data; // every byte stored, the final zero included

    bool operator==(const StoredValue&) const = default;
};

std::optional<StoredValue> storedValue(const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(value.data.data()), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
}

bool runKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class AutoRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runKeyExists()) << "the Run key is part of every Windows installation";
        removeValue(title);
    }
    void TearDown() override { removeValue(title); }

    static void removeValue(const std::string& name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, runKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name.c_str());
            RegCloseKey(key);
        }
    }
};

TEST_F(AutoRunTest, TickingWritesThePathUnquotedWithItsFinalZeroAndUntickingRemovesIt) {
    const std::string path = "C:\\Program Files\\Zorva Kilit\\zorva-kilit.exe";
    SetAutoRun(path, title, true);
    EXPECT_EQ(storedValue(title), (StoredValue{REG_SZ, path + '\0'}));

    SetAutoRun(platform::executablePath(), title, true); // written again, over the old one
    EXPECT_EQ(storedValue(title), (StoredValue{REG_SZ, platform::executablePath() + '\0'}));

    SetAutoRun(path, title, false);
    EXPECT_EQ(storedValue(title), std::nullopt);
    EXPECT_NO_THROW(SetAutoRun(path, title, false)) << "a value that is not there is no failure";
    EXPECT_TRUE(runKeyExists());
}

TEST_F(AutoRunTest, ANewTitleWritesItsOwnValueBesideTheOldOne) {
    const std::string older = "MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.04f";
    const std::string oldPath = "C:\\old\\zorva-kilit.exe";
    const std::string newPath = "C:\\new\\zorva-kilit.exe";
    SetAutoRun(oldPath, older, true);
    SetAutoRun(newPath, title, true);
    EXPECT_EQ(storedValue(older), (StoredValue{REG_SZ, oldPath + '\0'}));
    EXPECT_EQ(storedValue(title), (StoredValue{REG_SZ, newPath + '\0'}));
    removeValue(older);
}

// The registry refuses a value name longer than 16,383 characters, after the key has opened.
TEST_F(AutoRunTest, ARefusedWriteRaisesWithTheValueName) {
    const std::string name(16384, 'N');
    try {
        SetAutoRun("C:\\zorva-kilit.exe", name, true);
        ADD_FAILURE() << "the write went through";
    } catch (const platform::Error& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to set data for '" + name + "'");
    }
    EXPECT_EQ(storedValue(name), std::nullopt);
}

// Without the key (or without the rights to open it for writing) nothing happens and nothing
// is said; the key is not created. This process's HKEY_LOCAL_MACHINE is pointed at an empty
// key of the test's own for that, so that the machine's Run key is never touched.
TEST_F(AutoRunTest, AMissingKeyIsLeftMissingWithoutAWord) {
    constexpr const char* scratch = "Software\\Zorva Kilit Tests\\Empty Machine";
    HKEY empty = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &empty, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, empty), ERROR_SUCCESS);
    EXPECT_FALSE(runKeyExists());
    EXPECT_EQ(platform::setAutostart(title, "C:\\zorva-kilit.exe", true),
              platform::AutostartOutcome::Unavailable);
    EXPECT_NO_THROW(SetAutoRun("C:\\zorva-kilit.exe", title, true));
    EXPECT_NO_THROW(SetAutoRun("C:\\zorva-kilit.exe", title, false));
    EXPECT_FALSE(runKeyExists());
    DWORD subkeys = 1, values = 1;
    EXPECT_EQ(RegQueryInfoKeyA(empty, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(values, 0u);

    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_SUCCESS);
    RegCloseKey(empty);
    RegDeleteKeyA(HKEY_CURRENT_USER, scratch);
    EXPECT_TRUE(runKeyExists());
}

TEST(AutostartEntryPath, NamesTheRunValue) {
    EXPECT_EQ(platform::autostartEntryPath(title),
              std::string("HKEY_LOCAL_MACHINE\\") + runKey + "\\" + title);
}

} // namespace
} // namespace zorva::settings
