// The log writer and the fatal paths, on an object of the library's core linked
// into this program (the fatal paths are not reachable through members yet).
#include <gtest/gtest.h>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "support/core_object.h"
#include "support/expected_log.h"
#include "support/harness.h"

using namespace velk_test;

TEST(Log, NothingIsWrittenBeforeLogging) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    velk::LogWrite(velk, velk::texts::kStep, "not yet");
    EXPECT_FALSE(FileExists(dir.File("Log.txt")));
    velk->Release();
    EXPECT_FALSE(FileExists(dir.File("Log.txt"))) << "the teardown writes nothing either";
}

TEST(Log, BannerIsFollowedByAnEmptyLineEachTimeLoggingIsCalled) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    EXPECT_EQ(velk->Logging(), S_OK);
    EXPECT_EQ(ReadFileBytes(dir.File("Log.txt")), kBannerLines);
    velk->Logging();
    EXPECT_EQ(ReadFileBytes(dir.File("Log.txt")), kBannerLines + kBannerLines);
    velk->Release();
}

TEST(Log, LineShapesAreExactCp932BytesWithCrLf) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    velk->Logging();
    velk::LogWrite(velk, velk::texts::kBlockBegin, "test");
    velk::LogWrite(velk, velk::texts::kInfoHex, "HandleToWindow : ", 0x1a2b);
    velk::LogWrite(velk, velk::texts::kInfoPair, "Width", 640, "Height", 480);
    velk::LogWrite(velk, "ends in a line feed\n");
    velk->Release();
    const std::string expected =
        kBannerLines +
        "\x09\x20\x20\x2a\x2a\x20test\x20\x82\xf0\x8d\x73\x82\xa2\x82\xdc\x82\xb7\x20\x2a\x2a\x20\r\n"
        "\t[ Info  ] HandleToWindow :  = 1a2b(Hex)\r\n"
        "\t[ Info  ] Width = 640 , Height = 480\r\n"
        "ends in a line feed\r\n\r\n" +
        TeardownLines();
    EXPECT_EQ(ReadFileBytes(dir.File("Log.txt")), expected);
}

TEST(Log, AnOverLongEntryIsCutAt1023Bytes) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    velk->Logging();
    std::string long_text(3000, 'x');
    velk::LogWrite(velk, velk::texts::kStep, long_text.c_str());
    velk->Release();
    std::string log = ReadFileBytes(dir.File("Log.txt"));
    std::string expected_line = std::string("\t[ Step  ] ") + std::string(1023 - 11, 'x') + "\r\n";
    EXPECT_EQ(log, kBannerLines + expected_line + TeardownLines());
}

TEST(Log, ChangingTheCurrentDirectorySplitsTheLog) {
    TempDir first_dir;
    TempDir second_dir;
    CurrentDirectory cd(first_dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    velk->Logging();
    SetCurrentDirectoryA(second_dir.path().c_str());
    velk::LogWrite(velk, velk::texts::kStep, "moved");
    SetCurrentDirectoryA(first_dir.path().c_str());
    velk->Release();
    EXPECT_EQ(ReadFileBytes(first_dir.File("Log.txt")), kBannerLines + TeardownLines());
    EXPECT_EQ(ReadFileBytes(second_dir.File("Log.txt")), "\t[ Step  ] moved\r\n");
}

TEST(Log, AnUnopenableLogFileIsSkippedSilently) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    VelkObject* velk = CreateCoreObject();
    ASSERT_NE(velk, nullptr);
    velk->Logging();
    // A directory named like the log cannot be opened for appending.
    DeleteFileA("Log.txt");
    ASSERT_TRUE(CreateDirectoryA("Log.txt", nullptr));
    velk::LogWrite(velk, velk::texts::kStep, "lost");
    EXPECT_EQ(velk->Release(), 0u);
    RemoveDirectoryA("Log.txt");
}

VELK_SCENARIO(FatalErrorWithLog) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    velk::FatalError(velk, velk::texts::kIdRangeError, "Blt　FromスプライトID", 9, "0～最大スプライト数(固定:8)");
}

TEST(Log, FatalErrorShowsLogsReleasesAndExitsWithOne) {
    TempDir dir;
    ScenarioResult result = RunScenario("FatalErrorWithLog", dir.path());
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 1u);
    const std::string text =
        "  [ Error ] Typ:ID     Blt　FromスプライトIDで正しくないID : 9 が指定されました。\n"
        "\t\t->0～最大スプライト数(固定:8)の範囲で許されます";
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, text);
    EXPECT_EQ(result.boxes[0].caption, velk::texts::kFatalCaption);
    EXPECT_FALSE(result.boxes[0].has_owner) << "no window exists yet";
    ASSERT_EQ(result.boxes[0].buttons.size(), 1u) << "a single OK button";
    std::string logged_text = text;
    logged_text.replace(logged_text.find('\n'), 1, "\r\n");
    EXPECT_EQ(result.log, kBannerLines + logged_text + "\r\n" + TeardownLines());
}

VELK_SCENARIO(FatalErrorWithoutLog) {
    VelkObject* velk = CreateCoreObject();
    velk::FatalError(velk, velk::texts::kParamError, "wRunTimerでの関数アドレス");
}

TEST(Log, FatalErrorWithLoggingOffWritesNoLog) {
    TempDir dir;
    ScenarioResult result = RunScenario("FatalErrorWithoutLog", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(result.boxes[0].text, "\t[ Error ] Typ:Param  wRunTimerでの関数アドレスで正しくない引数 NULL が渡されました。");
    EXPECT_FALSE(result.log_exists);
}

VELK_SCENARIO(FatalSystemErrorWithLog) {
    VelkObject* velk = CreateCoreObject();
    velk->Logging();
    SetLastError(ERROR_FILE_NOT_FOUND);
    velk::FatalSystemError(velk, velk::texts::kFailed, "ウインドウ作成に失敗しました。VELK は起動できません");
}

TEST(Log, FatalSystemErrorAppendsTheSystemText) {
    char* system_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_FILE_NOT_FOUND, 0x400, reinterpret_cast<char*>(&system_text), 0, nullptr);
    ASSERT_NE(system_text, nullptr);
    std::string expected =
        std::string("### Failed  ウインドウ作成に失敗しました。VELK は起動できません\n\t(詳細:) ") + system_text;
    LocalFree(system_text);

    TempDir dir;
    ScenarioResult result = RunScenario("FatalSystemErrorWithLog", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    // The box shows the text as given; the static control may drop a trailing line break.
    EXPECT_EQ(result.boxes[0].text.substr(0, expected.size() - 2), expected.substr(0, expected.size() - 2));
    std::string logged = expected;
    // Text mode stores every line feed as CR LF, also the one after the system text's CR.
    for (size_t at = logged.find('\n'); at != std::string::npos; at = logged.find('\n', at + 2))
        logged.replace(at, 1, "\r\n");
    EXPECT_EQ(result.log.substr(0, kBannerLines.size() + logged.size()), kBannerLines + logged);
    EXPECT_NE(result.log.find(TeardownLines()), std::string::npos);
}
