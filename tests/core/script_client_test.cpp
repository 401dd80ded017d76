// Real automation clients: VBScript through the script host, against the registered library.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

struct ScriptRun {
    DWORD exit_code = 0;
    std::string output;
};

// Runs a script of tests/scripts with the console script host in `work_dir`.
ScriptRun RunScript(const char* name, const std::string& work_dir) {
    ScriptRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    CreatePipe(&read_end, &write_end, &inherit, 0);
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    std::string command = "cscript.exe //nologo \"" + ExecutableDirectory() + "\\scripts\\" + name + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, work_dir.c_str(),
                                  &startup, &process);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        run.exit_code = static_cast<DWORD>(-1);
        return run;
    }
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) run.output.append(chunk, got);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(read_end);
    return run;
}

}  // namespace

TEST(ScriptClient, VBScriptCreatesTheObjectReadsTheVersionAndLogs) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    ScriptRun run = RunScript("object_basics.vbs", dir.path());
    // The script host ends silently on a runtime error, so the marker is what counts.
    EXPECT_NE(run.output.find("version=1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("log-exists=True"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script-complete"), std::string::npos) << run.output;
    std::string log = ReadFileBytes(dir.File("Log.txt"));
    EXPECT_EQ(log.substr(0, kBannerLines.size()), kBannerLines);
    EXPECT_NE(log.find("### VELK FinallyCall\r\n"), std::string::npos) << "releasing the object tore it down";
}
