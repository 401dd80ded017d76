// Real automation clients: scripts of tests/scripts run by the console script host.
#pragma once
#include <windows.h>

#include <string>

namespace velk_test {

struct ScriptRun {
    DWORD exit_code = 0;
    std::string output;  // what the script printed, standard error included
};

// Runs tests/scripts/`name` (copied beside the test program) in `work_dir`.
// The host ends silently with code 0 on a runtime error: check printed markers.
ScriptRun RunScript(const char* name, const std::string& work_dir);

// The command line that runs tests/scripts/`name` with `arguments`.
std::string ScriptCommand(const char* name, const std::string& arguments = "");

}  // namespace velk_test
