// Composing paths in the user directory: a path that fits is the directory, a
// separator and the name; one that does not fit leaves the buffer as it was.
#include <cstring>
#include <string>

#include "core/user_directory.h"
#include "fuzz_support.h"

namespace {

using Compose = bool (*)(char (&)[velk::kPathBytes], const char*);

void Check(Compose compose, const std::string& directory, const std::string& name, const char* suffix) {
    char path[velk::kPathBytes];
    memcpy(path, directory.c_str(), directory.size() + 1);
    const bool composed = compose(path, name.c_str());
    const std::string expected = directory + "\\" + name + suffix;
    if (composed) {
        FUZZ_EXPECT(expected.size() < velk::kPathBytes && path == expected);
    } else {
        FUZZ_EXPECT(expected.size() >= velk::kPathBytes && path == directory);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    std::string directory = input.Text();
    if (directory.size() >= velk::kPathBytes) directory.resize(velk::kPathBytes - 1);
    const std::string name = input.Text();
    Check(velk::ComposeUserFilePath, directory, name, "");
    Check(velk::ComposeDataFilePath, directory, name, ".VELKDat");

    char path[velk::kPathBytes];
    memcpy(path, directory.c_str(), directory.size() + 1);
    if (velk::AppendUserDirName(path)) {
        FUZZ_EXPECT(strncmp(path, directory.c_str(), directory.size()) == 0 && strlen(path) < velk::kPathBytes);
    } else {
        FUZZ_EXPECT(path[0] == '\0');
    }
    char unchanged[velk::kPathBytes];
    memcpy(unchanged, directory.c_str(), directory.size() + 1);
    FUZZ_EXPECT(!velk::ComposeUserFilePath(unchanged, nullptr) && unchanged == directory);
    return 0;
}
