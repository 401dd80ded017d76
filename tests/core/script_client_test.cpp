// Real automation clients: VBScript through the script host, against the registered library.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/script_host.h"
#include "support/velk_loader.h"

using namespace velk_test;

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
