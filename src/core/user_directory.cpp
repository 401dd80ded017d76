// User data directory (see user_directory.h).
#include "core/user_directory.h"

#include <cstring>

#include "core/text_format.h"
#include "core/texts.h"

namespace velk {
namespace {

// The folder from the user's settings, or an empty text when the key or value
// is missing or the value does not fit.
void ReadLocalAppData(char (&path)[kPathBytes]) {
    path[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, texts::kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD type = 0;
    DWORD size = kPathBytes;
    LONG status = RegQueryValueExA(key, texts::kLocalAppDataValue, nullptr, &type, reinterpret_cast<BYTE*>(path),
                                   &size);
    RegCloseKey(key);
    bool terminated = size > 0 && size <= kPathBytes && memchr(path, '\0', size) != nullptr;
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !terminated) path[0] = '\0';
}

}  // namespace

bool AppendUserDirName(char (&path)[kPathBytes]) {
    size_t have = strlen(path);
    size_t add = sizeof texts::kUserDirName;  // with its terminator
    if (have + add > kPathBytes) {
        path[0] = '\0';
        return false;
    }
    memcpy(path + have, texts::kUserDirName, add);
    return true;
}

bool UserDirectory(char (&path)[kPathBytes]) {
    ReadLocalAppData(path);
    if (!AppendUserDirName(path)) return false;
    CreateDirectoryA(path, nullptr);  // an existing folder is the normal case
    return true;
}

bool ComposeUserFilePath(char (&path)[kPathBytes], const char* name) {
    return name && FormatExact(path, kPathBytes, texts::kUserFileFormat, path, name);
}

bool ComposeDataFilePath(char (&path)[kPathBytes], const char* name) {
    return name && FormatExact(path, kPathBytes, texts::kDataFileFormat, path, name);
}

}  // namespace velk
