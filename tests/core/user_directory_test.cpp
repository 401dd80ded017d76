// The user directory: found from the user's settings, created on demand, with a
// root fall-back, and paths that never overflow their 260-byte buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "core/user_directory.h"
#include "support/harness.h"
#include "support/local_app_data.h"

using namespace velk_test;
using velk::kPathBytes;

namespace {

bool IsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(UserDirectorySetting, IsTheLocalAppDataFolderAndIsCreatedAgainWhenDeleted) {
    LocalAppDataSetting setting;
    TempDir app_data;
    setting.Set(app_data.path());
    char path[kPathBytes];
    ASSERT_TRUE(velk::UserDirectory(path));
    EXPECT_EQ(std::string(path), app_data.path() + "\\VELKUserDir");
    EXPECT_TRUE(IsDirectory(path));
    ASSERT_TRUE(RemoveDirectoryA(path));
    ASSERT_TRUE(velk::UserDirectory(path));
    EXPECT_TRUE(IsDirectory(path)) << "the next call creates it again";
    RemoveDirectoryA(path);
}

TEST(UserDirectorySetting, FallsBackToTheRootOfTheCurrentDrive) {
    LocalAppDataSetting setting;
    setting.Remove();
    TempDir work;  // on the system drive
    CurrentDirectory cd(work.path());
    char path[kPathBytes];
    ASSERT_TRUE(velk::UserDirectory(path));
    EXPECT_STREQ(path, "\\VELKUserDir");
    std::string at_root = work.path().substr(0, 2) + "\\VELKUserDir";
    EXPECT_TRUE(IsDirectory(at_root.c_str()));
    RemoveDirectoryA(at_root.c_str());
}

TEST(UserDirectorySetting, RefusesAFolderThatLeavesNoRoomForTheName) {
    LocalAppDataSetting setting;
    std::string deep = "C:\\" + std::string(250, 'd');  // fits 260, but not with "\VELKUserDir"
    setting.Set(deep);
    char path[kPathBytes];
    memset(path, 'z', sizeof path);
    EXPECT_FALSE(velk::UserDirectory(path));
    EXPECT_STREQ(path, "");
    setting.Set("C:\\" + std::string(400, 'e'));  // does not even fit the buffer
    EXPECT_TRUE(velk::UserDirectory(path));
    EXPECT_STREQ(path, "\\VELKUserDir") << "an unreadable setting is a missing one";
}

TEST(UserDirectoryPath, ComposesFilesAndDataFiles) {
    char path[kPathBytes] = "C:\\AppData\\VELKUserDir";
    ASSERT_TRUE(velk::ComposeUserFilePath(path, "song.ogg"));
    EXPECT_STREQ(path, "C:\\AppData\\VELKUserDir\\song.ogg");
    char data[kPathBytes] = "C:\\AppData\\VELKUserDir";
    ASSERT_TRUE(velk::ComposeDataFilePath(data, "save"));
    EXPECT_STREQ(data, "C:\\AppData\\VELKUserDir\\save.VELKDat");
}

TEST(UserDirectoryPath, RefusesNamesThatDoNotFitAndLeavesTheBufferIntact) {
    char path[kPathBytes + 8];
    memset(path, '#', sizeof path);
    strcpy(path, "C:\\dir");
    char(&bounded)[kPathBytes] = *reinterpret_cast<char(*)[kPathBytes]>(path);
    std::string longest(kPathBytes - 1 - 7, 'n');  // "C:\dir\" + name + terminator = 260
    ASSERT_TRUE(velk::ComposeUserFilePath(bounded, longest.c_str()));
    EXPECT_EQ(strlen(path), kPathBytes - 1);
    strcpy(path, "C:\\dir");
    EXPECT_FALSE(velk::ComposeUserFilePath(bounded, (longest + "n").c_str()));
    EXPECT_STREQ(path, "C:\\dir");
    EXPECT_FALSE(velk::ComposeDataFilePath(bounded, longest.c_str())) << "the suffix counts too";
    EXPECT_FALSE(velk::ComposeUserFilePath(bounded, nullptr));
    for (size_t i = kPathBytes; i < sizeof path; ++i) EXPECT_EQ(path[i], '#') << "nothing written past 260 bytes";
}
