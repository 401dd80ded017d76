// The per-user directory "VELKUserDir" in the local application-data folder,
// and the composition of file paths inside it. Nothing is cached.
#pragma once
#include <windows.h>

#include <cstddef>

namespace velk {

inline constexpr size_t kPathBytes = MAX_PATH;  // 260, terminator included

// Reads the local application-data folder from the user's settings, appends
// "\VELKUserDir" and creates that folder (an existing one is the normal case).
// Without the setting the result is "\VELKUserDir" at the root of the current
// drive. Returns false, with `path` empty and nothing created, when the path
// would not fit the buffer.
bool UserDirectory(char (&path)[kPathBytes]);

// "%s\%s": the directory held in `path`, a backslash and `name`, written back
// into `path`. Returns false and leaves `path` unchanged when the result would
// not fit or `name` is null.
bool ComposeUserFilePath(char (&path)[kPathBytes], const char* name);

// "%s\%s.VELKDat", as above, for data files.
bool ComposeDataFilePath(char (&path)[kPathBytes], const char* name);

// Appends the directory name to a folder path already in `path`; false (and
// `path` emptied) when it does not fit. Split out of UserDirectory for testing.
bool AppendUserDirName(char (&path)[kPathBytes]);

}  // namespace velk
