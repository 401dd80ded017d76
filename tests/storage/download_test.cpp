// Download through the built library against a loopback HTTP server of the
// test's own: what lands in the user directory, what the window shows while
// host handlers run, and the ways the call ends the process. Whatever the end,
// an existing target holds either its old bytes or the whole new body.
#include "storage/local_http_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/local_app_data.h"
#include "support/velk_loader.h"
#include "support/window_fixture.h"

using namespace velk_test;

namespace {

constexpr char kWindowCaption[] = "VELK DownloadManager Ver 1.00";

// Bytes of every value, zeros included, in an order that shows a shifted copy.
std::string Body(size_t size) {
    std::string body(size, '\0');
    unsigned value = 12345;
    for (char& byte : body) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<char>(value >> 16);
    }
    return body;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string DownloadStartLog(const std::string& url, const std::string& name) {
    return std::string("### ") + velk::texts::kDownloadTitle + "\r\n\t[ Info  ] URL = " + url +
           "\r\n\t[ Info  ] WriteTo = " + name + "\r\n\t[ Step  ] InternetOpen Success\r\n";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }


const std::string kOldBytes(5000, 'o');
const std::vector<std::string> kOnlyTheTarget = {"target.bin"};

// What a host handler saw of the download window while the transfer ran.
struct WindowSeen {
    bool found = false;
    bool visible = false;
    HWND owner = nullptr;
    HWND active = nullptr;
    std::string source, amount, rates;
};
WindowSeen g_seen;
IVELK* g_velk = nullptr;

std::string ItemText(HWND window, int id) {
    char text[512] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

void __cdecl LookAtDownloadWindow(LONG) {
    HWND window = FindWindowA(nullptr, kWindowCaption);
    if (!window || g_seen.found) return;
    g_seen.found = true;
    g_seen.visible = IsWindowVisible(window) != FALSE;
    g_seen.owner = GetWindow(window, GW_OWNER);
    g_seen.active = GetActiveWindow();
    g_seen.source = ItemText(window, 228);
    g_seen.amount = ItemText(window, 229);
    g_seen.rates = ItemText(window, 231);
}

void __cdecl EndTheWindow(LONG) { g_velk->wDestroy(); }

class Download : public WindowTest {
protected:
    void SetUp() override {
        setting_.Set(app_data_.path());
        CreateDirectoryA(UserDir().c_str(), nullptr);
        WindowTest::SetUp();
        g_seen = WindowSeen();
        g_velk = velk_;
    }
    std::string UserDir() const { return app_data_.path() + "\\VELKUserDir"; }
    std::string Target(const std::string& name) const { return UserDir() + "\\" + name; }
    void Fetch(const std::wstring& url, const wchar_t* name) {
        ASSERT_EQ(velk_->Download(Bstr(url), Bstr(name)), S_OK);
    }

    LocalAppDataSetting setting_;
    TempDir app_data_;
};

}  // namespace

TEST_F(Download, ReplacesTheTargetWhileHostHandlersRunAndTheWindowShowsProgress) {
    std::string body = Body(300000);
    LocalHttpServer server({"200 OK", body, 1000, 300});
    WriteFileBytes(Target("target.bin"), kOldBytes);
    velk_->put_OnKeyDown(velk::AddressOf(&LookAtDownloadWindow));
    PostMessageA(window(), WM_KEYDOWN, 'A', 0);  // handled by the first pump step inside Download

    std::wstring url = server.Url(L"/data.bin?v=2#part");
    Fetch(url, L"target.bin");
    EXPECT_TRUE(ReadFileBytes(Target("target.bin")) == body) << "every byte, in order";
    EXPECT_EQ(FolderEntries(UserDir()), kOnlyTheTarget);
    EXPECT_EQ(server.last_request().rfind("GET /data.bin?v=2 HTTP/", 0), 0u) << "the query goes, the fragment stays";
    EXPECT_NE(server.last_request().find("User-Agent: VELK Download Method"), std::string::npos);
    // Messages the pump step handles may log lines of their own before the end.
    std::string log = Log();
    EXPECT_NE(log.find(DownloadStartLog(Narrow(url), "target.bin")), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 13), "### Succeed\r\n");

    ASSERT_TRUE(g_seen.found) << "the window is up while the host's handlers run";
    EXPECT_TRUE(g_seen.visible);
    EXPECT_EQ(g_seen.owner, window());
    EXPECT_EQ(g_seen.active, window()) << "the host's window keeps the keys";
    EXPECT_EQ(g_seen.source, Narrow(url) + " \nDown To : target.bin ");
    EXPECT_EQ(g_seen.amount.rfind(" ダウンロード済みサイズ : ", 0), 0u) << g_seen.amount;
    // Only the first 1000 bytes were at hand after the open; reads are larger all the same.
    EXPECT_EQ(g_seen.rates.rfind(" 最適レート / 実ダウン : 65536 / ", 0), 0u) << g_seen.rates;
    EXPECT_EQ(FindWindowA(nullptr, kWindowCaption), nullptr) << "the window goes with the call";
}

// Bodies that complete, framed either way or after a redirect, also after the host's window has ended.
TEST_F(Download, CompleteBodiesArriveByteForByte) {
    struct Case {
        const char* what;
        HttpReply reply;
        bool window_ended_first;
    };
    const std::string big = Body(5 * 1024 * 1024);
    HttpReply chunked{"200 OK", Body(300000), 70000, 200};
    chunked.chunked = true;
    HttpReply moved{"200 OK", Body(200000)};
    moved.moved_from = "/old";
    const Case cases[] = {
        {"5 MB with a declared length", {"200 OK", big}, false},
        {"chunked, in two parts", chunked, false},
        {"empty", {"200 OK", ""}, false},
        {"5 MB after the window ended", {"200 OK", big, 100000, 200}, true},
        {"moved elsewhere", moved, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalHttpServer server(c.reply);
        WriteFileBytes(Target("target.bin"), kOldBytes);
        if (c.window_ended_first) velk_->wDestroy();
        Fetch(server.Url(c.reply.moved_from.empty() ? L"/x" : L"/old"), L"target.bin");
        EXPECT_TRUE(ReadFileBytes(Target("target.bin")) == c.reply.body);
        EXPECT_EQ(FolderEntries(UserDir()), kOnlyTheTarget);
        std::string log = Log();
        EXPECT_EQ(log.substr(log.size() - 13), "### Succeed\r\n");
    }
}

TEST_F(Download, NamesAreUsedAsTheyCome) {
    std::string body = Body(2000);
    LocalHttpServer server({"200 OK", body}, 2);
    CreateDirectoryA(UserDir().c_str(), nullptr);
    CreateDirectoryA(Target("sub").c_str(), nullptr);
    Fetch(server.Url(L"/a"), L"sub\\a.bin");
    EXPECT_EQ(ReadFileBytes(Target("sub\\a.bin")), body);
    EXPECT_EQ(FolderEntries(Target("sub")), std::vector<std::string>{"a.bin"}) << "the temporary file lies beside the target";
    Fetch(server.Url(L"/b"), L"..\\beside.bin");
    EXPECT_EQ(ReadFileBytes(app_data_.path() + "\\beside.bin"), body) << "only \"..\" itself is refused";
}

TEST_F(Download, EndingTheWindowDuringTheBodyKeepsTheOldFile) {
    std::string body = Body(2 * 1024 * 1024);
    LocalHttpServer server({"200 OK", body, 1000, 500});
    WriteFileBytes(Target("target.bin"), kOldBytes);
    velk_->put_OnKeyDown(velk::AddressOf(&EndTheWindow));
    PostMessageA(window(), WM_KEYDOWN, 'A', 0);
    Fetch(server.Url(L"/big"), L"target.bin");
    EXPECT_EQ(ReadFileBytes(Target("target.bin")), kOldBytes);
    EXPECT_EQ(FolderEntries(UserDir()), kOnlyTheTarget);
    std::string log = Log();
    std::string last = std::string("\t[ Step  ] ") + velk::texts::kDownloadAbandoned + "\r\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last) << log;
    EXPECT_EQ(log.find("### Succeed", log.rfind(velk::texts::kDownloadTitle)), std::string::npos) << log;
    EXPECT_EQ(FindWindowA(nullptr, kWindowCaption), nullptr);
}

// ---------------------------------------------------------------- ends of the process

namespace {

class DownloadScenarioBed {
public:
    DownloadScenarioBed() { setting_.Set(app_data_.path()); }
    const std::string& Work() const { return work_.path(); }
    std::string UserDir() const { return app_data_.path() + "\\VELKUserDir"; }

private:
    LocalAppDataSetting setting_;
    TempDir app_data_;
    TempDir work_;
};

int FetchInScenario(const std::wstring& url, const std::wstring& name) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    velk->Download(Bstr(url), Bstr(name));
    return 0;
}

// The watcher also meets the download window while it is up; only the error's box counts.
ScenarioResult RunDownloadScenario(const char* name, const std::string& work_dir,
                                   const ScenarioOptions& options = {}) {
    ScenarioResult result = RunScenario(name, work_dir, options);
    std::vector<MessageBoxSeen> boxes;
    for (const MessageBoxSeen& box : result.boxes)
        if (box.caption != kWindowCaption) boxes.push_back(box);
    result.boxes = boxes;
    return result;
}

std::string FatalLog(const std::string& text) {
    return kBannerLines + "### " + velk::texts::kDownloadTitle + "\r\n" + text + "\r\n" + TeardownLines();
}

const ScenarioOptions kOutlastsTheTimeout = {IDOK, 60000};

// Replies that must not replace the target, each with the beginnings the
// reason in its box may have after the URL.
struct FailingReply {
    const char* scenario;
    HttpReply reply;
    std::vector<std::string> reasons;
};
HttpReply Broken(size_t missing, bool reset, bool stall = false) {
    HttpReply reply{"200 OK", Body(200000), 100000, 0};
    reply.missing = missing;
    reply.reset_after_first_part = reset;
    reply.stall_after_first_part = stall;
    return reply;
}
const std::string kShort = " の本体が宣言された長さより短く終わりました : ";
const FailingReply kFailingReplies[] = {
    {"DownloadNotFound", {"404 Not Found", "<html>not here</html>"}, {" の応答は HTTP 404 でした"}},
    {"DownloadServerError", {"500 Internal Server Error", "<html>oops</html>"}, {" の応答は HTTP 500 でした"}},
    {"DownloadShortBody", Broken(1000, false), {kShort + "200000 / 201000 Bytes"}},
    // The platform may see a reset as a failed read or as an early end of the body.
    {"DownloadResetMidBody", Broken(0, true), {" の受信に失敗しました", kShort}},
    // Ends after the library's 30-second receive time-out: the one slow case.
    {"DownloadStalledBody", Broken(0, false, true), {" の受信がタイムアウトしました"}},
};

bool BeginsWithOneOf(const std::string& reason, const std::vector<std::string>& beginnings) {
    for (const std::string& beginning : beginnings)
        if (reason.rfind(beginning, 0) == 0) return true;
    return false;
}

int FetchFailingReply(int index) {
    LocalHttpServer server(kFailingReplies[index].reply);
    return FetchInScenario(server.Url(L"/x"), L"target.bin");
}

std::string LoggedUrl(const std::string& log) {
    const std::string label = "\t[ Info  ] URL = ";
    size_t start = log.find(label);
    if (start == std::string::npos) return "";
    start += label.size();
    return log.substr(start, log.find("\r\n", start) - start);
}

}  // namespace

VELK_SCENARIO(DownloadNotFound) { return FetchFailingReply(0); }
VELK_SCENARIO(DownloadServerError) { return FetchFailingReply(1); }
VELK_SCENARIO(DownloadShortBody) { return FetchFailingReply(2); }
VELK_SCENARIO(DownloadResetMidBody) { return FetchFailingReply(3); }
VELK_SCENARIO(DownloadStalledBody) { return FetchFailingReply(4); }

TEST(DownloadFatal, AnIncompleteTransferKeepsTheTargetAndNamesTheUrlAndTheFault) {
    DownloadScenarioBed bed;
    CreateDirectoryA(bed.UserDir().c_str(), nullptr);
    for (const FailingReply& failing : kFailingReplies) {
        SCOPED_TRACE(failing.scenario);
        WriteFileBytes(bed.UserDir() + "\\target.bin", kOldBytes);
        ScenarioResult result = RunDownloadScenario(failing.scenario, bed.Work(), kOutlastsTheTimeout);
        ASSERT_TRUE(EndedFatallyWithOneBox(result));
        const std::string& box = result.boxes[0].text;
        std::string failed = "### Failed  " + LoggedUrl(result.log);
        ASSERT_EQ(box.rfind(failed, 0), 0u) << box;
        EXPECT_TRUE(BeginsWithOneOf(box.substr(failed.size()), failing.reasons)) << box;
        EXPECT_NE(result.log.find(box + "\r\n"), std::string::npos) << result.log;
        EXPECT_EQ(ReadFileBytes(bed.UserDir() + "\\target.bin"), kOldBytes);
        EXPECT_EQ(FolderEntries(bed.UserDir()), kOnlyTheTarget);
    }
}

VELK_SCENARIO(DownloadParentName) { return FetchInScenario(L"http://127.0.0.1:1/x", L".."); }
VELK_SCENARIO(DownloadLongName) { return FetchInScenario(L"http://127.0.0.1:1/x", std::wstring(300, L'n')); }
VELK_SCENARIO(DownloadClosedPort) { return FetchInScenario(L"http://127.0.0.1:1/x", L"x.bin"); }
VELK_SCENARIO(DownloadMalformedUrl) { return FetchInScenario(L"not a url", L"x.bin"); }
VELK_SCENARIO(DownloadIntoMissingFolder) {
    LocalHttpServer server({"200 OK", "body"});
    return FetchInScenario(server.Url(L"/x"), L"no such folder\\x.bin");
}
VELK_SCENARIO(DownloadOntoAFolder) {
    LocalHttpServer server({"200 OK", "body"});
    return FetchInScenario(server.Url(L"/x"), L"taken");
}

TEST(DownloadFatal, DotDotAndNamesThatDoNotFitAreRefused) {
    DownloadScenarioBed bed;
    ScenarioResult result = RunDownloadScenario("DownloadParentName", bed.Work());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(result.boxes[0].text, velk::texts::kDownloadInvalidName);
    EXPECT_EQ(result.log, FatalLog(velk::texts::kDownloadInvalidName));

    result = RunDownloadScenario("DownloadLongName", bed.Work());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(result.boxes[0].text, velk::texts::kDownloadInvalidName);
}

TEST(DownloadFatal, AnUnreachableHostOrMalformedUrlEndsTheProcess) {
    DownloadScenarioBed bed;
    std::string failed = std::string("### Failed  ") + velk::texts::kDownloadOpenFailed;
    for (const char* scenario : {"DownloadClosedPort", "DownloadMalformedUrl"}) {
        ScenarioResult result = RunDownloadScenario(scenario, bed.Work());
        ASSERT_TRUE(EndedFatallyWithOneBox(result)) << scenario;
        EXPECT_EQ(result.boxes[0].text, failed) << scenario;
        EXPECT_NE(result.log.find("\t[ Info  ] WriteTo = x.bin\r\n" + failed + "\r\n"), std::string::npos)
            << result.log;
    }
    EXPECT_FALSE(FileExists(bed.UserDir() + "\\x.bin")) << "nothing is created before the URL opens";
}

TEST(DownloadFatal, ATargetThatCannotBeWrittenIsRefusedAndLeftAsItWas) {
    DownloadScenarioBed bed;
    ScenarioResult result = RunDownloadScenario("DownloadIntoMissingFolder", bed.Work());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    std::string expected = std::string(velk::texts::kDownloadInvalidName) + "\n\t(詳細:) ";
    EXPECT_EQ(result.boxes[0].text.rfind(expected, 0), 0u) << result.boxes[0].text;
    EXPECT_GT(result.boxes[0].text.size(), expected.size()) << "the system's text follows";

    // A complete body that cannot take the target's place leaves the folder there as it was.
    const std::string folder = bed.UserDir() + "\\taken";
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "\\inside.bin", kOldBytes);
    result = RunDownloadScenario("DownloadOntoAFolder", bed.Work());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_NE(result.boxes[0].text.find(" を保存先 taken に書き込めませんでした"), std::string::npos)
        << result.boxes[0].text;
    EXPECT_EQ(FolderEntries(bed.UserDir()), std::vector<std::string>{"taken"}) << "no temporary file is left";
    EXPECT_EQ(ReadFileBytes(folder + "\\inside.bin"), kOldBytes);
}
