// A script client pastes, blends and writes text through the registered library,
// leaving out the optional arguments.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/harness.h"
#include "support/script_host.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {
int Marker(const std::string& output, const std::string& name) {
    const size_t at = output.find(name + "=");
    return at == std::string::npos ? -1 : atoi(output.c_str() + at + name.size() + 1);
}
}  // namespace

TEST(ScriptClientTransfersText, VBScriptPastesBlendsAndWritesWithDefaultArguments) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    TempDir dir;
    ScriptRun run = RunScript("sprites_and_text.vbs", dir.path());
    ASSERT_NE(run.output.find("script-complete"), std::string::npos) << run.output;
    EXPECT_EQ(Marker(run.output, "pasted"), 0xFF) << run.output;
    EXPECT_EQ(Marker(run.output, "see-through"), 0xFF0000) << run.output;
    EXPECT_EQ(Marker(run.output, "blend"), 0x7F007F) << run.output;
    EXPECT_GT(Marker(run.output, "ink"), 100) << run.output;
    EXPECT_GE(Marker(run.output, "ink-top"), 300) << run.output;
    EXPECT_GT(Marker(run.output, "ink-rows"), 22) << "taller than the 18-unit default: " << run.output;
}
