// Runs a script client of tests/scripts with the console script host.
#pragma once
#include <windows.h>

#include <string>

#include "support/harness.h"

namespace velk_test {

struct ScriptRun {
    DWORD exit_code = 0;
    std::string output;  // everything the script printed
};

// The script host ends silently with 0 on a runtime error: callers look for the
// markers the script prints, never trust the exit code alone.
ScriptRun RunScript(const char* name, const std::string& work_dir);

}  // namespace velk_test
