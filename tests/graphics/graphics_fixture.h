// Graphics suites: an in-process object of the core with a plain 640 x 480
// top-level window of the test's own, logging into a fresh directory.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/velk.h"
#include "support/core_object.h"
#include "support/harness.h"

namespace velk_test {

inline constexpr LONG kClientWidth = 640;
inline constexpr LONG kClientHeight = 480;

// A visible top-level window with a 640 x 480 client area at the screen's top-left.
HWND CreateTestWindow(LONG client_width = kClientWidth, LONG client_height = kClientHeight);

// Takes every waiting message of the thread.
void PumpMessages();

// A pixel of the window's client area as the platform shows it.
COLORREF WindowPixel(HWND window, int x, int y);
// Gives the window the outer size that makes its client area width x height.
void SetClientSize(HWND window, LONG width, LONG height);

// ---------------------------------------------------------------- fatal ID errors

// The texts a user sees for a bad or empty sprite ID.
std::string IdRangeText(const char* subject, int id, const char* range = "0～最大スプライト数(固定:8)");
std::string IdEmptyText(const char* subject, int id);
// A step that failed ("### Failed  " and the reason), and a null argument.
std::string FailedText(const char* reason);
std::string ParamText(const char* subject);

// A scenario body: a core object with a window in GDI mode and its log on, then `action`.
int ScenarioInGdiMode(void (*action)(VelkObject*));

struct FatalCase {
    const char* scenario;
    std::string text;
};

// Runs each scenario in a directory of its own: it ends through the one fatal
// box, which shows exactly the case's text, and the log holds the same text.
void ExpectFatalEnds(const std::vector<FatalCase>& cases);

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets a mode; true when the object ended in that mode (false after a fall-back).
    bool SetMode(LONG mode);
    // Replaces the test's window with one that wDefault makes, whose procedure
    // is the library's (size messages reach the back buffer); mode 1 then.
    void UseLibraryWindow(const wchar_t* name);
    LONG Pixel(LONG x, LONG y, LONG sprite = 0);
    // Pixel read through the platform: the memory DC or the surface's own DC.
    COLORREF PlatformPixel(LONG sprite, LONG x, LONG y);
    // The first `rows` rows of the sprite's width, read the same way through one context.
    std::vector<COLORREF> PlatformPicture(LONG sprite, LONG rows);
    // The pixel's 32-bit word as the sprite's memory holds it, the byte above
    // the colour included; 0x7F7F7F7F when the picture has no 32-bit memory.
    uint32_t Word(LONG sprite, LONG x, LONG y);
    std::string Log() const;
    // Log bytes written since the last call (or since the test began).
    std::string NewLog();
    // Lines of the log that contain `needle`.
    int CountLines(const std::string& log, const std::string& needle) const;

    TempDir dir_;
    std::unique_ptr<CurrentDirectory> cd_;
    VelkObject* velk_ = nullptr;
    HWND window_ = nullptr;
    size_t log_seen_ = 0;
};

// The graphics suites that run once per mode (1 = GDI, 2 = windowed DirectDraw).
class ModeTest : public GraphicsTest, public ::testing::WithParamInterface<LONG> {
protected:
    void SetUp() override;
};

}  // namespace velk_test
