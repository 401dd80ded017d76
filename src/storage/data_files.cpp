// Data files: small key/value files in the user directory, kept in the
// initialization-file layout and read and written through the platform's
// private-profile functions. The selected file is process-wide; no handle stays open.
#include <windows.h>

#include <cstring>

#include "core/ansi.h"
#include "core/log.h"
#include "core/texts.h"
#include "core/user_directory.h"
#include "core/velk.h"

namespace {

using velk::kPathBytes;

// Full path of the selected data file; empty until the first fOpen. It belongs
// to the process, not to the object, so it outlives a released object.
char CurrentDataFile[kPathBytes] = "";

// A read value: 255 bytes plus the terminator.
constexpr size_t kValueBytes = 256;
// The integer text of fWriteInteger.
constexpr size_t kIntegerTextBytes = 256;

bool DataFileSelected() { return CurrentDataFile[0] != '\0'; }

// Opens `path` for writing without sharing and closes it again at once.
bool OpenForWritingAndClose(const char* path, DWORD disposition) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Bytes of `text` up to `limit` (or its terminator) that end on a whole
// character: a value cut at the buffer's end must not keep half of a double-byte one.
size_t WholeCharacterLength(const char* text, size_t limit) {
    size_t i = 0;
    while (i < limit && text[i] != '\0') {
        size_t width = (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && text[i + 1] != '\0') ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return i;
}

// A name list of the profile read: names each ending in a zero byte, the list
// ended by an empty name. The length covers the names and their terminators.
size_t NameListLength(const char* list, size_t limit) {
    size_t i = 0;
    while (i < limit && list[i] != '\0') {
        size_t name = WholeCharacterLength(list + i, limit - i);
        if (i + name >= limit) break;  // a name without its terminator is dropped
        i += name + 1;
    }
    return i;
}

// A new automation string from `bytes` bytes of ANSI text (zero bytes included).
BSTR AnsiToBstr(const char* text, size_t bytes) {
    int count = static_cast<int>(bytes);
    int units = count ? MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0) : 0;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    if (result && units) MultiByteToWideChar(CP_ACP, 0, text, count, result, units);
    return result;
}

// Stores one entry (or removes a key or section, by the profile rules for
// null texts) in the selected file; any failure ends the process.
void WriteEntry(VelkObject* self, const char* category, const char* key, const char* data) {
    if (!DataFileSelected() || !WritePrivateProfileStringA(category, key, data, CurrentDataFile))
        velk::FatalError(self, velk::texts::kDataFileWriteFailed);
}

}  // namespace

// ---------------------------------------------------------------- selecting and clearing

HRESULT VelkObject::fOpen(BSTR FileName) {
    char path[kPathBytes];
    bool directory_fits = velk::UserDirectory(path);
    velk::AnsiText converted = velk::ToAnsi(FileName);
    // A null automation string is the empty one: it names "<dir>\.VELKDat",
    // inside the directory, rather than some text a formatter makes up.
    const char* name = converted.get() ? converted.get() : "";
    if (strcmp(name, "..") == 0) velk::FatalError(this, velk::texts::kDataFileInvalidName);
    // A path that does not fit is refused rather than cut: a cut name is another file.
    if (!directory_fits || !velk::ComposeDataFilePath(path, name) || !OpenForWritingAndClose(path, OPEN_ALWAYS))
        velk::FatalError(this, velk::texts::kDataFileOpenFailed);
    memcpy(CurrentDataFile, path, sizeof CurrentDataFile);
    return S_OK;
}

HRESULT VelkObject::fClear() {
    if (!DataFileSelected() || !OpenForWritingAndClose(CurrentDataFile, CREATE_ALWAYS))
        velk::FatalError(this, velk::texts::kDataFileClearFailed);
    // The profile functions may cache the file; drop what they hold of it so
    // the next read sees the empty file.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, CurrentDataFile);
    return S_OK;
}

// ---------------------------------------------------------------- writing

HRESULT VelkObject::fWriteString(BSTR Category, BSTR KeyName, BSTR Data) {
    velk::AnsiText category = velk::ToAnsi(Category);
    velk::AnsiText key = velk::ToAnsi(KeyName);
    velk::AnsiText data = velk::ToAnsi(Data);
    WriteEntry(this, category, key, data);
    return S_OK;
}

HRESULT VelkObject::fWriteInteger(BSTR Category, BSTR KeyName, LONG Data) {
    velk::AnsiText category = velk::ToAnsi(Category);
    velk::AnsiText key = velk::ToAnsi(KeyName);
    char text[kIntegerTextBytes] = {};
    wsprintfA(text, "%ld", Data);
    WriteEntry(this, category, key, text);
    return S_OK;
}

// ---------------------------------------------------------------- reading

HRESULT VelkObject::fReadInteger(BSTR Category, BSTR KeyName, LONG Defaults, LONG* pVal) {
    velk::AnsiText category = velk::ToAnsi(Category);
    velk::AnsiText key = velk::ToAnsi(KeyName);
    // Before any fOpen there is no file to read: the default, as for a missing one.
    LONG value = Defaults;
    if (DataFileSelected())
        value = static_cast<LONG>(GetPrivateProfileIntA(category, key, Defaults, CurrentDataFile));
    if (pVal) *pVal = value;
    return S_OK;
}

HRESULT VelkObject::fReadString(BSTR Categoly, BSTR KeyName, BSTR Default, BSTR* lpBuffer) {
    velk::AnsiText category = velk::ToAnsi(Categoly);
    velk::AnsiText key = velk::ToAnsi(KeyName);
    velk::AnsiText fallback = velk::ToAnsi(Default);
    char value[kValueBytes] = {};
    size_t length = 0;
    if (!DataFileSelected()) {
        if (fallback.get()) length = WholeCharacterLength(fallback, kValueBytes - 1);
        memcpy(value, fallback.get() ? fallback.get() : "", length);
    } else {
        GetPrivateProfileStringA(category, key, fallback, value, sizeof value, CurrentDataFile);
        value[kValueBytes - 1] = '\0';
        bool name_list = !category.get() || !key.get();
        length = name_list ? NameListLength(value, kValueBytes - 1) : WholeCharacterLength(value, kValueBytes - 1);
    }
    if (!lpBuffer) return S_OK;
    // The caller's string is replaced, and the old one freed: the in/out contract.
    BSTR text = AnsiToBstr(value, length);
    if (!text) return S_OK;  // no memory: the caller keeps its old string
    SysFreeString(*lpBuffer);
    *lpBuffer = text;
    return S_OK;
}
