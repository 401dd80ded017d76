// Child-process harness: runs a named scenario of this test program in a child
// process, watches for the message boxes it shows, answers them and collects the
// exit code and the "Log.txt" it leaves.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velk_test {

using ScenarioFunction = int (*)();

// Registers a scenario under a name; used by VELK_SCENARIO.
struct ScenarioRegistrar {
    ScenarioRegistrar(const char* name, ScenarioFunction function);
};

#define VELK_SCENARIO(name)                                                          \
    static int Scenario_##name();                                                    \
    static ::velk_test::ScenarioRegistrar scenario_registrar_##name(#name, Scenario_##name); \
    static int Scenario_##name()

// Runs the scenario named on a "--scenario NAME" command line; false when the
// command line names none.
bool RunScenarioFromCommandLine(int argc, char** argv, int* exit_code);

struct MessageBoxSeen {
    std::string text;     // CP932, as the box shows it
    std::string caption;  // CP932
    bool has_owner = false;
    std::vector<std::string> buttons;  // texts of the box's push buttons
    bool has_icon = false;             // an icon beside the text
};

struct ScenarioOptions {
    int answer = IDOK;        // the button pressed in each box
    DWORD timeout_ms = 30000;
};

struct ScenarioResult {
    DWORD exit_code = 0;
    bool timed_out = false;
    std::vector<MessageBoxSeen> boxes;
    bool log_exists = false;
    std::string log;  // bytes of "Log.txt" in the scenario's directory
};

ScenarioResult RunScenario(const char* name, const std::string& work_dir, const ScenarioOptions& options = {});
// Any command line run the same way (a script host, for instance).
ScenarioResult RunWatched(std::string command, const std::string& work_dir, const ScenarioOptions& options = {});

// Starts `command` in `work_dir`, again after a pause when the platform could
// not start it (a busy machine), printing each refusal; false after three.
bool StartProcess(std::string command, const std::string& work_dir, STARTUPINFOA& startup, bool inherit_handles,
                  PROCESS_INFORMATION* process);

// The shape of every fatal end: in time, exit code 1, exactly one message box.
testing::AssertionResult EndedFatallyWithOneBox(const ScenarioResult& result);

// A fresh, empty directory that is removed with all it holds when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const char* name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Makes `dir` the current directory for the lifetime of the object.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& dir);
    ~CurrentDirectory();

private:
    std::string previous_;
};

bool FileExists(const std::string& path);
// The names in a folder, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);
std::string ReadFileBytes(const std::string& path);

}  // namespace velk_test
