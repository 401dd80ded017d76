// Data files through the built library: selecting, writing, reading and
// clearing key/value files in the user directory, and the ways they end the process.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "core/texts.h"
#include "core/user_directory.h"
#include "storage/data_file_bed.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

class DataFile : public testing::Test {
protected:
    void SetUp() override {
        cd_ = std::make_unique<CurrentDirectory>(bed_.Work().path());
        velk_ = CreateFromLibrary();
        ASSERT_NE(velk_, nullptr);
    }
    void TearDown() override {
        if (velk_) velk_->Release();
        cd_.reset();
    }
    void Open(const wchar_t* name) { ASSERT_EQ(velk_->fOpen(Bstr(name)), S_OK); }
    void WriteString(const wchar_t* category, const wchar_t* key, const wchar_t* data) {
        ASSERT_EQ(velk_->fWriteString(Bstr(category), Bstr(key), Bstr(data)), S_OK);
    }
    void WriteInteger(const wchar_t* category, const wchar_t* key, LONG data) {
        ASSERT_EQ(velk_->fWriteInteger(Bstr(category), Bstr(key), data), S_OK);
    }
    LONG ReadInteger(const wchar_t* category, const wchar_t* key, LONG defaults) {
        LONG value = 12345;
        EXPECT_EQ(velk_->fReadInteger(Bstr(category), Bstr(key), defaults, &value), S_OK);
        return value;
    }
    // The caller's string goes in and is replaced by the value read.
    std::wstring ReadString(const wchar_t* category, const wchar_t* key, const wchar_t* fallback) {
        BSTR buffer = SysAllocString(L"caller's old text");
        EXPECT_EQ(velk_->fReadString(Bstr(category), Bstr(key), Bstr(fallback), &buffer), S_OK);
        EXPECT_NE(buffer, nullptr);
        std::wstring text = Wide(buffer);
        SysFreeString(buffer);
        return text;
    }
    std::string FileBytes(const std::string& name) { return ReadFileBytes(bed_.DataFile(name)); }

    DataFileBed bed_;
    std::unique_ptr<CurrentDirectory> cd_;
    IVELK* velk_ = nullptr;
};

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

TEST_F(DataFile, OpenCreatesTheFileInTheUserDirectoryAndKeepsAnExistingOne) {
    Open(L"save");
    ASSERT_TRUE(FileExists(bed_.DataFile("save")));
    EXPECT_EQ(FileBytes("save"), "");

    WriteFileBytes(bed_.DataFile("save"), "[game]\r\nlevel=7\r\n");
    Open(L"save");
    EXPECT_EQ(FileBytes("save"), "[game]\r\nlevel=7\r\n");
    EXPECT_EQ(ReadInteger(L"game", L"level", 0), 7);

    // Further path components are used as they come, ".." parts included.
    CreateDirectoryA((bed_.UserDir() + "\\slot").c_str(), nullptr);
    Open(L"slot\\one");
    EXPECT_TRUE(FileExists(bed_.DataFile("slot\\one")));
    Open(L"..\\beside");
    EXPECT_TRUE(FileExists(bed_.AppData() + "\\beside.VELKDat"));
}

TEST_F(DataFile, IntegersAreStoredAsDecimalTextAndReadBack) {
    Open(L"numbers");
    WriteInteger(L"a", L"b", -42);
    EXPECT_EQ(FileBytes("numbers"), "[a]\r\nb=-42\r\n");
    EXPECT_EQ(ReadInteger(L"a", L"b", 0), -42);
    WriteInteger(L"a", L"low", INT_MIN);
    WriteInteger(L"a", L"high", INT_MAX);
    EXPECT_EQ(ReadInteger(L"a", L"low", 0), INT_MIN);
    EXPECT_EQ(ReadInteger(L"a", L"high", 0), INT_MAX);

    EXPECT_EQ(ReadInteger(L"a", L"missing", -7), -7);
    WriteString(L"a", L"text", L"12 apples");
    EXPECT_EQ(ReadInteger(L"a", L"text", 0), 12) << "the number the text begins with";

    WriteInteger(L"A", L"Score", 300);
    EXPECT_EQ(ReadInteger(L"a", L"SCORE", 0), 300) << "names match without regard to case";
    EXPECT_EQ(FileBytes("numbers").find("[A]"), std::string::npos) << "one section, not two";
}

TEST_F(DataFile, StringsTravelInTheAnsiCodePage) {
    Open(L"strings");
    WriteString(L"設定", L"名前", L"日本語のテキスト");
    EXPECT_EQ(FileBytes("strings"), "[設定]\r\n名前=日本語のテキスト\r\n") << "CP932 bytes on disk";
    EXPECT_EQ(ReadString(L"設定", L"名前", L"none"), L"日本語のテキスト");
    EXPECT_EQ(ReadString(L"設定", L"missing", L"既定"), L"既定");
    EXPECT_EQ(ReadString(L"設定", L"missing", nullptr), L"") << "no default is an empty one";
}

TEST_F(DataFile, LongValuesAreCutTo255BytesOfWholeCharacters) {
    Open(L"long");
    WriteString(L"s", L"ascii", std::wstring(300, L'x').c_str());
    EXPECT_EQ(ReadString(L"s", L"ascii", L""), std::wstring(255, L'x'));

    // 200 double-byte characters are 400 bytes: what comes back is a prefix that
    // ends on a whole character and fits 255 bytes.
    std::wstring japanese(200, L'語');
    WriteString(L"s", L"wide", japanese.c_str());
    std::wstring read = ReadString(L"s", L"wide", L"");
    EXPECT_GE(read.size(), 120u);
    EXPECT_LE(read.size(), 127u);
    EXPECT_EQ(read, japanese.substr(0, read.size()));

    std::wstring long_default(300, L'd');
    EXPECT_EQ(ReadString(L"s", L"missing", long_default.c_str()), std::wstring(255, L'd'));
}

TEST_F(DataFile, NullNamesFollowTheProfileRules) {
    Open(L"nulls");
    WriteInteger(L"keep", L"k", 1);
    WriteInteger(L"drop", L"x", 2);
    WriteInteger(L"drop", L"y", 3);
    EXPECT_EQ(ReadString(L"drop", nullptr, L"default"), std::wstring(L"x\0y\0", 4)) << "the keys of a section";
    EXPECT_EQ(ReadString(nullptr, L"x", L"default"), std::wstring(L"keep\0drop\0", 10)) << "the sections";

    WriteString(L"drop", L"x", nullptr);
    EXPECT_EQ(ReadInteger(L"drop", L"x", -1), -1) << "a null value removes the key";
    EXPECT_EQ(ReadInteger(L"drop", L"y", -1), 3);
    WriteString(L"drop", nullptr, L"ignored");
    EXPECT_EQ(ReadInteger(L"drop", L"y", -1), -1) << "a null key removes the section";
    EXPECT_EQ(FileBytes("nulls"), "[keep]\r\nk=1\r\n");
}

TEST_F(DataFile, ClearEmptiesTheFileSoEveryReadGivesItsDefault) {
    Open(L"clear");
    WriteInteger(L"a", L"n", 5);
    WriteString(L"a", L"s", L"text");
    ASSERT_EQ(ReadInteger(L"a", L"n", 0), 5);  // the platform may now hold the file in its cache
    ASSERT_EQ(velk_->fClear(), S_OK);
    EXPECT_EQ(FileBytes("clear"), "");
    EXPECT_EQ(ReadInteger(L"a", L"n", -1), -1);
    EXPECT_EQ(ReadString(L"a", L"s", L"gone"), L"gone");
    WriteInteger(L"a", L"n", 6);
    EXPECT_EQ(ReadInteger(L"a", L"n", -1), 6);
}

TEST_F(DataFile, NullFileNamesAndResultPointersAreSafe) {
    ASSERT_EQ(velk_->fOpen(nullptr), S_OK);
    WriteInteger(L"a", L"b", 1);
    EXPECT_EQ(FileBytes(""), "[a]\r\nb=1\r\n") << "the file of the empty name";
    Open(L"");
    EXPECT_EQ(ReadInteger(L"a", L"b", 0), 1);

    EXPECT_EQ(velk_->fReadInteger(Bstr(L"a"), Bstr(L"b"), 1, nullptr), S_OK);
    EXPECT_EQ(velk_->fReadString(Bstr(L"a"), Bstr(L"b"), Bstr(L"c"), nullptr), S_OK);
    BSTR none = nullptr;
    EXPECT_EQ(velk_->fReadString(Bstr(L"a"), Bstr(L"x"), Bstr(L"c"), &none), S_OK);
    EXPECT_EQ(Wide(none), L"c") << "a null caller string is replaced too";
    SysFreeString(none);
}

TEST_F(DataFile, TheSelectionOutlivesTheObjectAndNothingIsLogged) {
    velk_->Logging();
    Open(L"kept");
    WriteInteger(L"a", L"b", 8);
    ReadInteger(L"a", L"b", 0);
    ReadString(L"a", L"b", L"");
    velk_->fClear();
    WriteString(L"a", L"s", L"after");
    std::string log = ReadFileBytes(bed_.Work().File("Log.txt"));
    EXPECT_EQ(log, kBannerLines);
    velk_->Release();

    velk_ = CreateFromLibrary();
    ASSERT_NE(velk_, nullptr);
    EXPECT_EQ(ReadString(L"a", L"s", L""), L"after") << "no fOpen on the new object";
}

// ---------------------------------------------------------------- ends of the process

namespace {

IVELK* ScenarioObject(bool logging) {
    IVELK* velk = CreateFromLibrary();
    if (velk && logging) velk->Logging();
    return velk;
}

// The box and the log of a data-file error; the log is checked when `logged`.
void ExpectDataFileError(const ScenarioResult& result, const char* text, bool logged) {
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 1u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, text);
    EXPECT_EQ(result.boxes[0].caption, velk::texts::kFatalCaption);
    if (logged)
        EXPECT_EQ(result.log, kBannerLines + text + "\r\n" + TeardownLines());
    else
        EXPECT_FALSE(result.log_exists);
}

}  // namespace

// A fresh process has selected no file: reads give their defaults, writes end it.
VELK_SCENARIO(DataFileReadsThenWriteBeforeOpen) {
    IVELK* velk = ScenarioObject(true);
    LONG value = 0;
    velk->fReadInteger(Bstr(L"a"), Bstr(L"b"), 17, &value);
    BSTR text = nullptr;
    velk->fReadString(Bstr(L"a"), Bstr(L"b"), Bstr(L"fallback"), &text);
    if (value != 17 || Wide(text) != L"fallback") return 10;
    SysFreeString(text);
    velk->fWriteInteger(Bstr(L"a"), Bstr(L"b"), 1);
    return 0;
}

VELK_SCENARIO(DataFileWriteStringBeforeOpen) {
    ScenarioObject(false)->fWriteString(Bstr(L"a"), Bstr(L"b"), Bstr(L"c"));
    return 0;
}

VELK_SCENARIO(DataFileClearBeforeOpen) {
    ScenarioObject(false)->fClear();
    return 0;
}

TEST(DataFileFatal, BeforeAnyOpenReadsGiveDefaultsAndWritesEndTheProcess) {
    DataFileBed bed;
    ExpectDataFileError(RunScenario("DataFileReadsThenWriteBeforeOpen", bed.Work().path()),
                        velk::texts::kDataFileWriteFailed, true);
    ExpectDataFileError(RunScenario("DataFileWriteStringBeforeOpen", bed.Work().path()),
                        velk::texts::kDataFileWriteFailed, false);
    ExpectDataFileError(RunScenario("DataFileClearBeforeOpen", bed.Work().path()),
                        velk::texts::kDataFileClearFailed, false);
}

VELK_SCENARIO(DataFileWriteWithoutSection) {
    IVELK* velk = ScenarioObject(true);
    velk->fOpen(Bstr(L"save"));
    velk->fWriteString(nullptr, Bstr(L"key"), Bstr(L"value"));
    return 0;
}

TEST(DataFileFatal, AWriteThePlatformRefusesEndsTheProcess) {
    DataFileBed bed;
    ExpectDataFileError(RunScenario("DataFileWriteWithoutSection", bed.Work().path()),
                        velk::texts::kDataFileWriteFailed, true);
}

VELK_SCENARIO(DataFileOpenParent) {
    ScenarioObject(true)->fOpen(Bstr(L".."));
    return 0;
}

VELK_SCENARIO(DataFileOpenInMissingFolder) {
    ScenarioObject(true)->fOpen(Bstr(L"no such folder\\save"));
    return 0;
}

TEST(DataFileFatal, OpenRefusesDotDotAndFilesItCannotCreate) {
    DataFileBed bed;
    ExpectDataFileError(RunScenario("DataFileOpenParent", bed.Work().path()), velk::texts::kDataFileInvalidName,
                        true);
    EXPECT_FALSE(FileExists(bed.UserDir() + "\\...VELKDat")) << "nothing was created";
    ExpectDataFileError(RunScenario("DataFileOpenInMissingFolder", bed.Work().path()),
                        velk::texts::kDataFileOpenFailed, true);
}

VELK_SCENARIO(DataFileOpenLongName) {
    ScenarioObject(false)->fOpen(Bstr(std::wstring(300, L'n')));
    return 0;
}

// A name that fits the path buffer with the directory and backslash, but not with ".VELKDat".
VELK_SCENARIO(DataFileOpenNameJustTooLong) {
    char dir[velk::kPathBytes];
    velk::UserDirectory(dir);
    ScenarioObject(false)->fOpen(Bstr(std::wstring(velk::kPathBytes - 1 - strlen(dir) - 1 - 3, L'n')));
    return 0;
}

TEST(DataFileFatal, PathsThatDoNotFitThe260ByteBufferAreRefused) {
    DataFileBed bed;
    ExpectDataFileError(RunScenario("DataFileOpenLongName", bed.Work().path()), velk::texts::kDataFileOpenFailed,
                        false);
    ExpectDataFileError(RunScenario("DataFileOpenNameJustTooLong", bed.Work().path()),
                        velk::texts::kDataFileOpenFailed, false);
    // A user directory that leaves no room for any name; ".." is still refused first.
    bed.Setting().Set("C:\\" + std::string(250, 'd'));
    ExpectDataFileError(RunScenario("DataFileOpenLongName", bed.Work().path()), velk::texts::kDataFileOpenFailed,
                        false);
    ExpectDataFileError(RunScenario("DataFileOpenParent", bed.Work().path()), velk::texts::kDataFileInvalidName,
                        true);
}
