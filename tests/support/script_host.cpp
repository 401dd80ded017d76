// Script host runner (see script_host.h).
#include "support/script_host.h"

#include "support/harness.h"
#include "support/velk_loader.h"

namespace velk_test {

std::string ScriptCommand(const char* name, const std::string& arguments) {
    std::string command = "cscript.exe //nologo \"" + ExecutableDirectory() + "\\scripts\\" + name + "\"";
    return arguments.empty() ? command : command + " " + arguments;
}

ScriptRun RunScript(const char* name, const std::string& work_dir) {
    ScriptRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    CreatePipe(&read_end, &write_end, &inherit, 0);
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    std::string command = ScriptCommand(name);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    const bool started = StartProcess(command, work_dir, startup, true, &process);
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

}  // namespace velk_test
