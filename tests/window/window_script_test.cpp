// A script client drives the window: open, pump, move, resize, end.
#include <gtest/gtest.h>

#include "support/script_host.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

TEST(ScriptClientWindow, VBScriptOpensPumpsMovesAndEndsTheWindow) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    ScriptRun run = RunScript("window_loop.vbs", dir.path());
    EXPECT_NE(run.output.find("handle-nonzero=True"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("running=0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("resizeable=1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ended=1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script-complete"), std::string::npos) << run.output;
    std::string log = ReadFileBytes(dir.File("Log.txt"));
    EXPECT_NE(log.find("wDefault( "), std::string::npos);
}
