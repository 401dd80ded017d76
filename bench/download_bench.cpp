// Download of 100 MB from a loopback server: the member (with its progress
// window and pump steps) against plain clients of the same URL in the same run:
// a bare WinINet read loop in this process and, when bench/download_bench.sh
// runs it, the machine's native curl. Each figure is the median of interleaved
// rounds; every client writes a new file in the same folder, so that freeing an
// old 100 MB file is timed for none of them (one extra row shows the member
// replacing an existing target).
#include "storage/local_http_server.h"  // before windows.h: it brings winsock2

#include <windows.h>
#include <wininet.h>  // for: the bare client loop

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/user_directory.h"
#include "core/velk.h"

using namespace velk_bench;

namespace {

constexpr size_t kBodyBytes = 100 * 1024 * 1024;
// Single rounds here move by a fifth, and a median of five still by a tenth.
constexpr int kRounds = 11;
// The bare loop reads at both ends of the member's range and between, with the
// member's flags (the fastest is the baseline), and once more as a client
// with no flags, whose platform client also writes the body to its cache.
struct BareWay {
    const char* what;
    DWORD read_bytes;
    DWORD open_flags;
};
constexpr DWORD kMemberFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr BareWay kBareWays[] = {
    {"bare WinINet loop, 64 KiB reads", 64 * 1024, kMemberFlags},
    {"bare WinINet loop, 1 MiB reads", 1024 * 1024, kMemberFlags},
    {"bare WinINet loop, 4 MiB reads", 4 * 1024 * 1024, kMemberFlags},
    {"bare loop, 1 MiB, no flags (cached)", 1024 * 1024, 0},
};
constexpr int kBareWayCount = sizeof kBareWays / sizeof kBareWays[0];

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

BSTR Wide(const std::wstring& text) { return SysAllocString(text.c_str()); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The plain client: one URL, large reads straight into a file, nothing else.
bool FetchBare(const std::string& url, const std::string& path, const BareWay& way) {
    const DWORD read_bytes = way.read_bytes;
    HINTERNET client = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET source = client ? InternetOpenUrlA(client, url.c_str(), nullptr, 0, way.open_flags, 0) : nullptr;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> buffer(read_bytes);
    size_t total = 0;
    DWORD read = 0;
    while (source && InternetReadFile(source, buffer.data(), read_bytes, &read) && read > 0) {
        DWORD written = 0;
        WriteFile(file, buffer.data(), read, &written, nullptr);
        total += read;
    }
    CloseHandle(file);
    if (source) InternetCloseHandle(source);
    if (client) InternetCloseHandle(client);
    return total == kBodyBytes;
}

// Asks the script that runs this bench to fetch the URL with curl into the
// file (its Unix path) and reads back curl's own time in seconds. 0 without
// the script or when curl failed.
double CurlMs(const std::string& url, const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto to_unix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    std::wstring wide_path(path.begin(), path.end());
    char* unix_path = to_unix ? to_unix(wide_path.c_str()) : nullptr;
    if (!unix_path) return 0;
    printf("curl\t%s\t%s\n", url.c_str(), unix_path);
    fflush(stdout);
    HeapFree(GetProcessHeap(), 0, unix_path);
    char answer[64] = {};
    if (!fgets(answer, sizeof answer, stdin)) return 0;
    return 1000.0 * atof(answer);
}

void Figure(const char* what, const std::vector<double>& runs, double curl_ms, double bare_ms) {
    const double ms = Median(runs);
    const double mb_per_s = kBodyBytes / 1048576.0 / (ms / 1000.0);
    printf("  %-38s %8.1f ms %8.1f MB/s", what, ms, mb_per_s);
    if (curl_ms > 0) printf("  %5.1f%% of curl's throughput", 100.0 * curl_ms / ms);
    if (bare_ms > 0) printf("  %5.1f%% of the faster bare WinINet loop's", 100.0 * bare_ms / ms);
    printf("\n");
}

double TimedMs(const std::function<void()>& work) {
    const double start = NowMs();
    work();
    return NowMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
    const bool with_curl = argc > 1 && strcmp(argv[1], "--curl-over-stdio") == 0;
    VelkObject* velk = CreateBenchObject("VelkDownloadBench");
    if (!velk) return 2;
    char folder[velk::kPathBytes];
    if (!velk::UserDirectory(folder)) return 2;
    CreateDirectoryA(folder, nullptr);
    const std::string target = std::string(folder) + "\\download_bench.bin";
    const std::string bare_target = std::string(folder) + "\\download_bench_bare.bin";
    const std::string curl_target = std::string(folder) + "\\download_bench_curl.bin";

    std::string body(kBodyBytes, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 2654435761u) >> 13);
    // Per round: the member twice, each bare way and curl; plus the warm-up round.
    constexpr int kRequestsPerRound = 2 + kBareWayCount + 1;
    velk_test::LocalHttpServer server({"200 OK", body}, kRequestsPerRound * (kRounds + 1), 900000);
    const std::string url = Narrow(server.Url(L"/bench.bin"));
    BSTR url_text = Wide(server.Url(L"/bench.bin"));
    BSTR name = Wide(L"download_bench.bin");

    printf("Download of %u MB from 127.0.0.1, median of %d rounds after one warm-up\n",
           static_cast<unsigned>(kBodyBytes >> 20), kRounds);
    if (with_curl)
        printf("  curl: the machine's native (Linux) curl against the same loopback server, in the same run,\n"
               "        timed by itself (-w %%{time_total}), so Wine's start-up of it is not counted\n");
    else
        printf("  curl: not asked for (run bench/download_bench.sh for it); bare WinINet only\n");
    std::vector<double> member, replacing, bare[kBareWayCount], curl;
    bool curl_ok = with_curl;
    for (int round = 0; round <= kRounds; ++round) {
        for (const std::string& file : {target, bare_target, curl_target}) DeleteFileA(file.c_str());
        const double member_ms = TimedMs([&] { velk->Download(url_text, name); });
        const double replacing_ms = TimedMs([&] { velk->Download(url_text, name); });
        bool bare_ok = true;
        double bare_ms[kBareWayCount];
        for (int way = 0; way < kBareWayCount; ++way) {
            DeleteFileA(bare_target.c_str());
            bare_ms[way] = TimedMs([&] { bare_ok = FetchBare(url, bare_target, kBareWays[way]) && bare_ok; });
        }
        const double curl_ms = curl_ok ? CurlMs(url, curl_target) : 0;
        if (!bare_ok) printf("  the bare WinINet loop did not get the whole body\n");
        if (with_curl && curl_ms <= 0) curl_ok = false;
        if (round == 0) continue;
        member.push_back(member_ms);
        replacing.push_back(replacing_ms);
        for (int way = 0; way < kBareWayCount; ++way) bare[way].push_back(bare_ms[way]);
        curl.push_back(curl_ms);
    }
    if (with_curl && !curl_ok) printf("  curl failed: no curl figure\n");
    const double curl_ms = curl_ok ? Median(curl) : 0;
    const double bare_ms = std::min({Median(bare[0]), Median(bare[1]), Median(bare[2])});
    Figure("Download (the member), new target", member, curl_ms, bare_ms);
    Figure("Download replacing a 100 MB target", replacing, curl_ms, bare_ms);
    for (int way = 0; way < kBareWayCount; ++way) Figure(kBareWays[way].what, bare[way], curl_ms, 0);
    if (curl_ok) Figure("native curl", curl, 0, 0);

    // What a call costs whatever the size: a body of one kilobyte, so the
    // difference to the bare loop is the member's own set-up and clean-up.
    {
        velk_test::LocalHttpServer small({"200 OK", std::string(1024, 'x')}, 2 * kRounds, 900000);
        BSTR small_url = Wide(small.Url(L"/small.bin"));
        std::vector<double> member_small, bare_small;
        const BareWay& way = kBareWays[1];
        for (int round = 0; round < kRounds; ++round) {
            member_small.push_back(TimedMs([&] { velk->Download(small_url, name); }));
            bare_small.push_back(TimedMs([&] { FetchBare(Narrow(small.Url(L"/small.bin")), bare_target, way); }));
        }
        printf("  fixed cost of a call (1 KiB body): the member %.1f ms, the bare loop %.1f ms\n",
               Median(member_small), Median(bare_small));
        SysFreeString(small_url);
    }

    for (const std::string& file : {target, bare_target, curl_target}) DeleteFileA(file.c_str());
    SysFreeString(url_text);
    SysFreeString(name);
    velk->Release();
    CoUninitialize();
    return 0;
}
