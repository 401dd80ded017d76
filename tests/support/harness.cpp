// Child-process harness (see harness.h).
#include "support/harness.h"

#include <map>
#include <set>

#include "support/velk_loader.h"

namespace velk_test {
namespace {

std::map<std::string, ScenarioFunction>& Scenarios() {
    static std::map<std::string, ScenarioFunction> scenarios;
    return scenarios;
}

struct WatchState {
    DWORD process_id;
    std::set<HWND>* answered;
    std::vector<HWND> found;
};

BOOL CALLBACK FindDialogOfProcess(HWND window, LPARAM context) {
    auto* state = reinterpret_cast<WatchState*>(context);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if (owner_process != state->process_id || !IsWindowVisible(window)) return TRUE;
    char class_name[32] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") == 0 && !state->answered->count(window)) state->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM context) {
    auto* box = reinterpret_cast<MessageBoxSeen*>(context);
    char class_name[32] = {};
    GetClassNameA(child, class_name, sizeof class_name);
    if (_stricmp(class_name, "Button") == 0) {
        char text[128] = {};
        GetWindowTextA(child, text, sizeof text);
        box->buttons.push_back(text);
    } else if (_stricmp(class_name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        box->has_icon = true;
    }
    return TRUE;
}

MessageBoxSeen ReadBox(HWND dialog) {
    MessageBoxSeen box;
    char text[4096] = {};
    GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
    box.text = text;
    char caption[1024] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    box.caption = caption;
    box.has_owner = GetWindow(dialog, GW_OWNER) != nullptr;
    EnumChildWindows(dialog, CollectButton, reinterpret_cast<LPARAM>(&box));
    return box;
}

}  // namespace

ScenarioRegistrar::ScenarioRegistrar(const char* name, ScenarioFunction function) { Scenarios()[name] = function; }

bool RunScenarioFromCommandLine(int argc, char** argv, int* exit_code) {
    if (argc < 3 || strcmp(argv[1], "--scenario") != 0) return false;
    auto found = Scenarios().find(argv[2]);
    if (found == Scenarios().end()) {
        *exit_code = 99;
        return true;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    *exit_code = found->second();
    CoUninitialize();
    return true;
}

ScenarioResult RunScenario(const char* name, const std::string& work_dir, const ScenarioOptions& options) {
    return RunWatched("\"" + ExecutablePath() + "\" --scenario " + name, work_dir, options);
}

// A process the platform could not start never reached the library: it is
// started again, and the attempt is reported, rather than failing the case.
bool StartProcess(std::string command, const std::string& work_dir, STARTUPINFOA& startup, bool inherit_handles,
                  PROCESS_INFORMATION* process) {
    constexpr int kStartAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, inherit_handles, 0, nullptr, work_dir.c_str(),
                           &startup, process))
            return true;
        fprintf(stderr, "harness: could not start %s (error %lu, attempt %d of %d)\n", command.c_str(),
                GetLastError(), attempt, kStartAttempts);
        if (attempt == kStartAttempts) return false;
        Sleep(1000);  // a pause for a busy machine, not a synchronisation
    }
}

ScenarioResult RunWatched(std::string command, const std::string& work_dir, const ScenarioOptions& options) {
    ScenarioResult result;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!StartProcess(command, work_dir, startup, false, &process)) {
        result.exit_code = static_cast<DWORD>(-1);
        return result;
    }
    std::set<HWND> answered;
    DWORD waited = 0;
    const DWORD step = 20;
    while (WaitForSingleObject(process.hProcess, step) == WAIT_TIMEOUT) {
        waited += step;
        if (waited > options.timeout_ms) {
            result.timed_out = true;
            TerminateProcess(process.hProcess, 255);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        WatchState state{process.dwProcessId, &answered, {}};
        EnumWindows(FindDialogOfProcess, reinterpret_cast<LPARAM>(&state));
        for (HWND dialog : state.found) {
            MessageBoxSeen box = ReadBox(dialog);
            answered.insert(dialog);
            // Gone before even its caption could be read: a window the program
            // took down itself (a busy machine widens that moment), not a question.
            if (box.caption.empty() && !IsWindow(dialog)) continue;
            result.boxes.push_back(box);
            PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(options.answer), 0);
        }
    }
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string log_path = work_dir + "\\Log.txt";
    result.log_exists = FileExists(log_path);
    if (result.log_exists) result.log = ReadFileBytes(log_path);
    return result;
}

testing::AssertionResult EndedFatallyWithOneBox(const ScenarioResult& result) {
    if (result.timed_out) return testing::AssertionFailure() << "the scenario did not end";
    if (result.exit_code != 1) return testing::AssertionFailure() << "exit code " << result.exit_code;
    if (result.boxes.size() != 1) return testing::AssertionFailure() << result.boxes.size() << " message boxes";
    return testing::AssertionSuccess();
}

// ---------------------------------------------------------------- files and directories

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static LONG counter = 0;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%svelk_test_%lu_%ld", base, GetCurrentProcessId(),
             InterlockedIncrement(&counter));
    CreateDirectoryA(name, nullptr);
    path_ = name;
}

namespace {

// Removes a folder with everything in it (tests leave subfolders such as the user directory).
void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

TempDir::~TempDir() { RemoveTree(path_); }

CurrentDirectory::CurrentDirectory(const std::string& dir) {
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    previous_ = previous;
    SetCurrentDirectoryA(dir.c_str());
}

CurrentDirectory::~CurrentDirectory() { SetCurrentDirectoryA(previous_.c_str()); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

}  // namespace velk_test
