// The user's "Local AppData" setting, which decides where the user directory
// lies: tests point it at a folder of their own and put it back afterwards.
#pragma once
#include <windows.h>

#include <string>

namespace velk_test {

// Saves "Local AppData" and puts it back (or removes it again) when the test ends.
class LocalAppDataSetting {
public:
    LocalAppDataSetting() {
        RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr);
        DWORD size = sizeof saved_;
        had_value_ = RegQueryValueExA(key_, "Local AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(saved_),
                                      &size) == ERROR_SUCCESS;
    }
    ~LocalAppDataSetting() {
        if (had_value_)
            Set(saved_);
        else
            Remove();
        RegCloseKey(key_);
    }
    LocalAppDataSetting(const LocalAppDataSetting&) = delete;
    LocalAppDataSetting& operator=(const LocalAppDataSetting&) = delete;

    void Set(const std::string& value) {
        RegSetValueExA(key_, "Local AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    void Remove() { RegDeleteValueA(key_, "Local AppData"); }
    bool had_value() const { return had_value_; }
    const char* saved() const { return saved_; }

private:
    static constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    HKEY key_ = nullptr;
    char saved_[1024] = {};
    bool had_value_ = false;
};

}  // namespace velk_test
