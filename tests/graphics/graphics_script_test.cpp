// A script client draws into sprite 0 through the registered library and reads
// pixels back, in modes 1 and 2.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "support/script_host.h"
#include "support/velk_loader.h"

using namespace velk_test;

TEST(ScriptClientGraphics, VBScriptDrawsPresentsAndReadsPixelsBack) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    ScriptRun run = RunScript("graphics_loop.vbs", dir.path());
    EXPECT_NE(run.output.find("fps=62"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("gdi-box=255"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("gdi-background=2105376"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("vertex=65280"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ddraw-cleared=0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("sprite-kept=65280"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ddraw-circle=16711680"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script-complete"), std::string::npos) << run.output;
}
