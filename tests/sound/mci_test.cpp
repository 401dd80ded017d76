// MCI commands through the library: the composed line, notifications reaching
// the host's handlers and event sinks, and MCI's own errors ending the process.
#include <gtest/gtest.h>

#include "support/event_sink.h"
#include "support/wav_file.h"
#include "support/window_fixture.h"

using namespace velk_test;

namespace {

HRESULT Mci(IVELK* velk, const wchar_t* command, const wchar_t* path, const wchar_t* option) {
    Bstr c(command), p(path), o(option);
    return velk->mci(c, p, o);
}

std::wstring WideOf(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TEST_F(WindowTest, MciComposesTheLineAndNotifiesTheEndOfPlay) {
    const std::string tone = dir_.File("tone.wav");
    ASSERT_TRUE(WriteToneWav(tone, 150));
    velk_->put_OnMCISuccess(RecorderFor("OnMCISuccess"));
    velk_->put_OnMCIFailure(RecorderFor("OnMCIFailure"));
    SinkPtr sink = MakeSink("A");
    ASSERT_TRUE(sink->Advise(velk_));
    RecordedCalls().clear();

    ASSERT_EQ(Mci(velk_, L"open", WideOf(tone).c_str(), L"type waveaudio alias tone"), S_OK);
    // The alias goes in the quoted part: this platform's parser refuses an empty "" word.
    ASSERT_EQ(Mci(velk_, L"play", L"tone", L"notify"), S_OK);
    DWORD start = GetTickCount();
    while (CallsOf("OnMCISuccess").empty() && GetTickCount() - start < 5000) PumpFor(velk_, 20);
    EXPECT_EQ(RecordedCalls(), (std::vector<HandlerCall>{{"OnMCISuccess", 0}, {"A.OnMCISuccess", 0}}))
        << "the handler, then the sink's event";
    ASSERT_EQ(Mci(velk_, L"close", L"tone", L""), S_OK);

    const std::string log = Log();
    EXPECT_NE(log.find("\t[ Step  ] open \"" + tone + "\" type waveaudio alias tone\r\n\t[ Step  ] MCI Done\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\t[ Step  ] play \"tone\" notify\r\n\t[ Step  ] MCI Done\r\n"), std::string::npos);
    EXPECT_NE(log.find("\t[ Step  ] close \"tone\" \r\n"), std::string::npos) << "a blank stands also before an empty part";
}

VELK_SCENARIO(MciUnknownAlias) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    Bstr name(L"VelkMci");
    velk->wDefault(name);
    Mci(velk, L"play", L"nosuchalias", L"");
    return 70;
}

TEST(MciFatal, AnErrorOfMciEndsTheProcessWithItsText) {
    TempDir dir;
    ScenarioResult result = RunScenario("MciUnknownAlias", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    const std::string& text = result.boxes[0].text;
    EXPECT_EQ(text.substr(0, 11), "\t[ Step  ] ");
    EXPECT_GT(text.size(), 11u) << "MCI's own error text follows";
    EXPECT_TRUE(result.boxes[0].has_owner);
    EXPECT_NE(result.log.find("\t[ Step  ] play \"nosuchalias\" \r\n" + text + "\r\n"), std::string::npos);
    EXPECT_EQ(result.log.find("MCI Done"), std::string::npos);
}

VELK_SCENARIO(MciOverlongCommand) {
    IVELK* velk = CreateFromLibrary();
    velk->Logging();
    std::wstring command(1100, L'x');
    Mci(velk, command.c_str(), L"path", L"");
    return 71;
}

TEST(MciFatal, AnOverlongCommandIsCutAt1023Characters) {
    TempDir dir;
    ScenarioResult result = RunScenario("MciOverlongCommand", dir.path());
    EXPECT_EQ(result.exit_code, 1u) << "the cut command is not one MCI knows";
    // The log line itself holds 1023 bytes, its prefix included.
    EXPECT_NE(result.log.find("\t[ Step  ] " + std::string(1023 - 11, 'x') + "\r\n"), std::string::npos);
}
