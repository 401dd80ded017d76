// Download through the built library against a loopback HTTP server of the
// test's own: what lands in the user directory, what the window shows while
// host handlers run, and the ways the call ends the process.
#include "storage/local_http_server.h"

#include <gtest/gtest.h>

#include <string>

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

// What a host handler saw of the download window while the transfer ran.
struct WindowSeen {
    bool found = false;
    HWND owner = nullptr;
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
    g_seen.owner = GetWindow(window, GW_OWNER);
    g_seen.source = ItemText(window, 228);
    g_seen.amount = ItemText(window, 229);
    g_seen.rates = ItemText(window, 231);
}

void __cdecl EndTheWindow(LONG) { g_velk->wDestroy(); }

class Download : public WindowTest {
protected:
    void SetUp() override {
        setting_.Set(app_data_.path());
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

TEST_F(Download, StoresTheBodyWhileHostHandlersRunAndTheWindowShowsProgress) {
    std::string body = Body(300000);
    LocalHttpServer server({"200 OK", body, 1000, 300});
    velk_->put_OnKeyDown(velk::AddressOf(&LookAtDownloadWindow));
    PostMessageA(window(), WM_KEYDOWN, 'A', 0);  // handled by the first pump step inside Download

    std::wstring url = server.Url(L"/data.bin");
    Fetch(url, L"data.bin");
    EXPECT_TRUE(ReadFileBytes(Target("data.bin")) == body) << "every byte, in order";
    EXPECT_NE(server.last_request().find("User-Agent: VELK Download Method"), std::string::npos);
    // Messages the pump step handles may log lines of their own before the end.
    std::string log = Log();
    EXPECT_NE(log.find(DownloadStartLog(Narrow(url), "data.bin")), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 13), "### Succeed\r\n");

    ASSERT_TRUE(g_seen.found) << "the window is up while the host's handlers run";
    EXPECT_EQ(g_seen.owner, window());
    EXPECT_EQ(g_seen.source, Narrow(url) + " \nDown To : data.bin ");
    EXPECT_EQ(g_seen.amount.rfind(" ダウンロード済みサイズ : ", 0), 0u) << g_seen.amount;
    EXPECT_EQ(g_seen.rates.rfind(" 最適レート / 実ダウン : ", 0), 0u) << g_seen.rates;
    EXPECT_EQ(FindWindowA(nullptr, kWindowCaption), nullptr) << "the window goes with the call";
}

TEST_F(Download, AnErrorPageReplacesAnExistingFileAndReportsSuccess) {
    std::string page = "<html>not here</html>";
    LocalHttpServer server({"404 Not Found", page});
    WriteFileBytes(Target("page.html"), std::string(5000, 'o'));
    Fetch(server.Url(L"/missing"), L"page.html");
    EXPECT_EQ(ReadFileBytes(Target("page.html")), page) << "replaced, not overwritten in place";
    EXPECT_NE(Log().find("### Succeed"), std::string::npos);
}

TEST_F(Download, NamesAreUsedAsTheyComeAndAnEmptyBodyGivesAnEmptyFile) {
    std::string body = Body(2000);
    LocalHttpServer server({"200 OK", body}, 2);
    CreateDirectoryA(UserDir().c_str(), nullptr);
    CreateDirectoryA(Target("sub").c_str(), nullptr);
    Fetch(server.Url(L"/a"), L"sub\\a.bin");
    EXPECT_EQ(ReadFileBytes(Target("sub\\a.bin")), body);
    Fetch(server.Url(L"/b"), L"..\\beside.bin");
    EXPECT_EQ(ReadFileBytes(app_data_.path() + "\\beside.bin"), body) << "only \"..\" itself is refused";

    LocalHttpServer empty({"200 OK", ""});
    Fetch(empty.Url(L"/empty"), L"empty.bin");
    EXPECT_TRUE(FileExists(Target("empty.bin")));
    EXPECT_EQ(ReadFileBytes(Target("empty.bin")), "");
}

TEST_F(Download, EndingTheWindowStopsTheTransferAndKeepsWhatArrived) {
    std::string body = Body(2 * 1024 * 1024);
    LocalHttpServer server({"200 OK", body, 1000, 500});
    velk_->put_OnKeyDown(velk::AddressOf(&EndTheWindow));
    PostMessageA(window(), WM_KEYDOWN, 'A', 0);
    Fetch(server.Url(L"/big"), L"big.bin");
    std::string kept = ReadFileBytes(Target("big.bin"));
    EXPECT_GT(kept.size(), 0u);
    EXPECT_LT(kept.size(), body.size());
    EXPECT_TRUE(kept == body.substr(0, kept.size())) << "what arrived, in order";
    EXPECT_NE(Log().find("### Succeed"), std::string::npos);
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
ScenarioResult RunDownloadScenario(const char* name, const std::string& work_dir) {
    ScenarioResult result = RunScenario(name, work_dir);
    std::vector<MessageBoxSeen> boxes;
    for (const MessageBoxSeen& box : result.boxes)
        if (box.caption != kWindowCaption) boxes.push_back(box);
    result.boxes = boxes;
    return result;
}

std::string FatalLog(const std::string& text) {
    return kBannerLines + "### " + velk::texts::kDownloadTitle + "\r\n" + text + "\r\n" + TeardownLines();
}

}  // namespace

VELK_SCENARIO(DownloadParentName) { return FetchInScenario(L"http://127.0.0.1:1/x", L".."); }
VELK_SCENARIO(DownloadLongName) { return FetchInScenario(L"http://127.0.0.1:1/x", std::wstring(300, L'n')); }
VELK_SCENARIO(DownloadClosedPort) { return FetchInScenario(L"http://127.0.0.1:1/x", L"x.bin"); }
VELK_SCENARIO(DownloadMalformedUrl) { return FetchInScenario(L"not a url", L"x.bin"); }
VELK_SCENARIO(DownloadIntoMissingFolder) {
    LocalHttpServer server({"200 OK", "body"});
    return FetchInScenario(server.Url(L"/x"), L"no such folder\\x.bin");
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

TEST(DownloadFatal, ATargetThatCannotBeCreatedIsRefusedWithTheSystemsReason) {
    DownloadScenarioBed bed;
    ScenarioResult result = RunDownloadScenario("DownloadIntoMissingFolder", bed.Work());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    std::string expected = std::string(velk::texts::kDownloadInvalidName) + "\n\t(詳細:) ";
    EXPECT_EQ(result.boxes[0].text.rfind(expected, 0), 0u) << result.boxes[0].text;
    EXPECT_GT(result.boxes[0].text.size(), expected.size()) << "the system's text follows";
}
