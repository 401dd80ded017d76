// Every member called from a script with arguments of the wrong kind works,
// ends through the library's own fatal box, or is refused with an error the
// script can catch; the process never crashes or hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/texts.h"
#include "support/harness.h"
#include "support/local_app_data.h"
#include "support/script_host.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

constexpr int kKinds = 10;  // as bad_input.vbs lists them

struct Member {
    std::string name;
    char kind;  // m method, g get, p put
    int parameters;
};

// Appends the members of `info`'s interface, those of the interfaces it
// derives from first (IDispatch's left out), results not counted.
void AppendMembers(ITypeInfo* info, std::vector<Member>& members) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    const bool dispatch_itself = IsEqualGUID(attributes->guid, IID_IDispatch);
    HREFTYPE base_ref = 0;
    ITypeInfo* base = nullptr;
    if (!dispatch_itself && attributes->cImplTypes > 0 && SUCCEEDED(info->GetRefTypeOfImplType(0, &base_ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(base_ref, &base))) {
        AppendMembers(base, members);
        base->Release();
    }
    for (UINT i = 0; !dispatch_itself && i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        BSTR name = nullptr;
        info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr);
        Member member{std::string(name, name + SysStringLen(name)), 'm', 0};
        SysFreeString(name);
        if (function->invkind == INVOKE_PROPERTYGET) member.kind = 'g';
        if (function->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) member.kind = 'p';
        for (SHORT p = 0; p < function->cParams; ++p)
            if (!(function->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++member.parameters;
        // A put's value is the argument itself, not one of a list.
        if (member.kind == 'p') member.parameters = 0;
        members.push_back(member);
        info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
}

// IVELK's members, then those IVELK2 adds.
std::vector<Member> Members() {
    std::vector<Member> members;
    const std::string library_path = LibraryPath();
    const std::wstring path(library_path.begin(), library_path.end());
    ITypeLib* library = nullptr;
    ITypeInfo* dispatch = nullptr;
    ITypeInfo* info = nullptr;
    HREFTYPE vtable = 0;
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) return members;
    library->GetTypeInfoOfGuid(IID_IVELK2, &dispatch);
    library->Release();
    if (!dispatch) return members;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) &&
        SUCCEEDED(dispatch->GetRefTypeInfo(vtable, &info))) {
        AppendMembers(info, members);
        info->Release();
    }
    dispatch->Release();
    return members;
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// How a script host ended, for the messages of failures: a host that could
// not start reads differently from one the library ended.
std::string HostEnd(const ScenarioResult& result) {
    std::ostringstream text;
    text << "exit code " << result.exit_code << (result.timed_out ? ", timed out" : "");
    for (const MessageBoxSeen& box : result.boxes) text << ", box \"" << box.caption << "\": " << box.text;
    if (result.log_exists) text << "\nlog:\n" << result.log.substr(result.log.size() > 2000 ? result.log.size() - 2000 : 0);
    return text.str();
}

// Runs rows [first, end) of the table, a new script host after each fatal end.
void ExpectNoCrash(size_t first, size_t end) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    LocalAppDataSetting setting;
    setting.Set(dir.path());
    const std::vector<Member> members = Members();
    ASSERT_EQ(members.size(), 156u);
    end = std::min(end, members.size());
    {
        std::ofstream table(dir.File("members.txt"), std::ios::binary);
        for (const Member& member : members) table << member.name << ' ' << member.kind << ' ' << member.parameters << '\n';
    }
    const std::string progress = dir.File("progress.txt");
    size_t next_row = first;
    int next_kind = 0;
    int fatal_ends = 0;
    size_t calls = 0;
    int start_retries = 1;
    while (next_row < end) {
        std::ostringstream arguments;
        arguments << "\"" << dir.File("members.txt") << "\" " << next_row << ' ' << end << " \"" << progress << "\" " << next_kind;
        ScenarioOptions options;
        options.timeout_ms = 60000;
        DeleteFileA(progress.c_str());
        ScenarioResult result = RunWatched(ScriptCommand("bad_input.js", arguments.str()), dir.path(), options);
        const std::vector<std::string> lines = Lines(progress);
        // A host that wrote not even its first line never reached the library:
        // the platform failed to start it, and no argument was tried.
        if (lines.empty() && result.boxes.empty() && !result.timed_out && start_retries > 0) {
            --start_retries;
            fprintf(stderr, "a script host did not start (%s); once more\n", HostEnd(result).c_str());
            continue;
        }
        ASSERT_FALSE(lines.empty()) << "the script did not start: " << HostEnd(result);
        for (const std::string& line : lines) calls += line.compare(0, 5, "call ") == 0;
        const std::string& last = lines.back();
        if (last == "script-complete") {
            EXPECT_FALSE(result.timed_out);
            break;
        }
        unsigned long row = 0;
        int kind = 0;
        ASSERT_EQ(sscanf(last.c_str(), "call %lu %d", &row, &kind), 2) << last;
        const std::string where = members[row].name + " with argument kind " + std::to_string(kind);
        ASSERT_FALSE(result.timed_out) << where << " hung";
        ASSERT_EQ(result.exit_code, 1u) << where << " crashed";
        // A member's own window (a progress dialog) may be seen beside the box, in either order.
        EXPECT_TRUE(std::any_of(result.boxes.begin(), result.boxes.end(),
                                [](const MessageBoxSeen& box) { return box.caption == velk::texts::kFatalCaption; }))
            << where << ": " << HostEnd(result);
        ++fatal_ends;
        // Later kinds of the same member run in the next host from that row on.
        next_row = kind + 1 < kKinds ? row : row + 1;
        next_kind = kind + 1 < kKinds ? kind + 1 : 0;
    }
    EXPECT_GE(calls, end - first) << "every row is called at least once";
    testing::Test::RecordProperty("fatal_ends", fatal_ends);
}

}  // namespace

// In parts, each well inside the time one test may take.
TEST(BadInput, Rows0To8) { ExpectNoCrash(0, 8); }
TEST(BadInput, Rows8To16) { ExpectNoCrash(8, 16); }
TEST(BadInput, Rows16To24) { ExpectNoCrash(16, 24); }
TEST(BadInput, Rows24To32) { ExpectNoCrash(24, 32); }
TEST(BadInput, Rows32To40) { ExpectNoCrash(32, 40); }
TEST(BadInput, Rows40To48) { ExpectNoCrash(40, 48); }
TEST(BadInput, Rows48To56) { ExpectNoCrash(48, 56); }
TEST(BadInput, Rows56To64) { ExpectNoCrash(56, 64); }
TEST(BadInput, Rows64To72) { ExpectNoCrash(64, 72); }
TEST(BadInput, Rows72To80) { ExpectNoCrash(72, 80); }
TEST(BadInput, Rows80To88) { ExpectNoCrash(80, 88); }
TEST(BadInput, Rows88To96) { ExpectNoCrash(88, 96); }
TEST(BadInput, Rows96To104) { ExpectNoCrash(96, 104); }
TEST(BadInput, Rows104To112) { ExpectNoCrash(104, 112); }
TEST(BadInput, Rows112To120) { ExpectNoCrash(112, 120); }
TEST(BadInput, Rows120To128) { ExpectNoCrash(120, 128); }
TEST(BadInput, Rows128To136) { ExpectNoCrash(128, 136); }
TEST(BadInput, Rows136To144) { ExpectNoCrash(136, 144); }
TEST(BadInput, Rows144To156) { ExpectNoCrash(144, 156); }
