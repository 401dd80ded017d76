// Graphics suites' fixture (see graphics_fixture.h).
#include "graphics/graphics_fixture.h"

#include "core/texts.h"
#include "support/harness.h"

namespace velk_test {

namespace {
constexpr char kWindowClass[] = "VelkGraphicsTestWindow";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}
}  // namespace

HWND CreateTestWindow(LONG client_width, LONG client_height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = TestWindowProc;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = kWindowClass;
        window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&window_class);
        registered = true;
    }
    RECT frame = {0, 0, client_width, client_height};
    const DWORD style = WS_OVERLAPPEDWINDOW;
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowA(kWindowClass, "graphics test", style, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return window;
}

std::string IdRangeText(const char* subject, int id, const char* range) {
    return std::string("  [ Error ] Typ:ID     ") + subject + "で正しくないID : " + std::to_string(id) +
           " が指定されました。\n\t\t->" + range + "の範囲で許されます";
}

std::string IdEmptyText(const char* subject, int id) {
    return std::string("  [ Error ] Typ:ID     ") + subject + "で正しくないID : " + std::to_string(id) +
           " が指定されました。\n\t\t->指定されたIDは空です。使用されていません";
}

std::string FailedText(const char* reason) { return std::string("### Failed  ") + reason; }

std::string ParamText(const char* subject) {
    return std::string("\t[ Error ] Typ:Param  ") + subject + "で正しくない引数 NULL が渡されました。";
}

void ExpectFatalEnds(const std::vector<FatalCase>& cases) {
    for (const FatalCase& fatal : cases) {
        SCOPED_TRACE(fatal.scenario);
        TempDir dir;
        ScenarioResult result = RunScenario(fatal.scenario, dir.path());
        ASSERT_TRUE(EndedFatallyWithOneBox(result));
        EXPECT_EQ(result.boxes[0].text, fatal.text);
        EXPECT_EQ(result.boxes[0].caption, velk::texts::kFatalCaption);
        std::string logged = fatal.text;
        if (logged.find('\n') != std::string::npos) logged.replace(logged.find('\n'), 1, "\r\n");
        EXPECT_NE(result.log.find(logged + "\r\n"), std::string::npos);
    }
}

int ScenarioInGdiMode(void (*action)(VelkObject*)) {
    VelkObject* velk = CreateCoreObject();
    velk->Window = CreateTestWindow();
    velk->Logging();
    velk->Graphics(1);
    action(velk);
    return 0;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

void SetClientSize(HWND window, LONG width, LONG height) {
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
}

void GraphicsTest::UseLibraryWindow(const wchar_t* name) {
    velk_->Window = nullptr;
    DestroyWindow(window_);
    BSTR class_name = SysAllocString(name);
    velk_->wDefault(class_name);
    SysFreeString(class_name);
    window_ = velk_->Window;  // the teardown closes it
    ASSERT_EQ(velk_->GraphicsMode, 1);
    LONG ended = 0;
    velk_->DoEvents(&ended);
}

void GraphicsTest::SetUp() {
    cd_ = std::make_unique<CurrentDirectory>(dir_.path());
    velk_ = CreateCoreObject();
    ASSERT_NE(velk_, nullptr);
    window_ = CreateTestWindow();
    velk_->Window = window_;
    velk_->Logging();
    NewLog();
}

void GraphicsTest::TearDown() {
    if (velk_) velk_->Release();
    velk_ = nullptr;
    if (window_) DestroyWindow(window_);
    PumpMessages();
    cd_.reset();
}

bool GraphicsTest::SetMode(LONG mode) {
    velk_->Graphics(mode);
    return velk_->GraphicsMode == mode;
}

LONG GraphicsTest::Pixel(LONG x, LONG y, LONG sprite) {
    LONG value = 0x7F7F7F7F;
    velk_->DGetPixel(x, y, sprite, &value);
    return value;
}

COLORREF GraphicsTest::PlatformPixel(LONG sprite, LONG x, LONG y) {
    velk::SpriteSlot& slot = velk_->SpriteTable[sprite];
    if (slot.MemoryDC) return GetPixel(slot.MemoryDC, x, y);
    velk::ReleaseHeldLock(slot);  // the transfers may keep the surface locked
    HDC dc = nullptr;
    if (!slot.Surface || FAILED(slot.Surface->GetDC(&dc))) return CLR_INVALID;
    COLORREF color = GetPixel(dc, x, y);
    slot.Surface->ReleaseDC(dc);
    return color;
}

std::vector<COLORREF> GraphicsTest::PlatformPicture(LONG sprite, LONG rows) {
    velk::SpriteSlot& slot = velk_->SpriteTable[sprite];
    HDC dc = slot.MemoryDC;
    velk::ReleaseHeldLock(slot);
    if (!dc && (!slot.Surface || FAILED(slot.Surface->GetDC(&dc)))) return {};
    std::vector<COLORREF> picture;
    for (LONG y = 0; y < rows; ++y)
        for (LONG x = 0; x < slot.Width; ++x) picture.push_back(GetPixel(dc, x, y));
    if (!slot.MemoryDC) slot.Surface->ReleaseDC(dc);
    return picture;
}

uint32_t GraphicsTest::Word(LONG sprite, LONG x, LONG y) {
    velk::SpriteMemory memory(velk_->SpriteTable[sprite]);
    if (!memory || memory.sixteen() || x < 0 || y < 0 || x >= memory.view().width || y >= memory.view().height)
        return 0x7F7F7F7Fu;
    return memory.view().bits[static_cast<size_t>(y) * memory.view().pitch + x];
}

std::string GraphicsTest::Log() const { return ReadFileBytes(dir_.File("Log.txt")); }

std::string GraphicsTest::NewLog() {
    std::string log = Log();
    std::string fresh = log.size() > log_seen_ ? log.substr(log_seen_) : std::string();
    log_seen_ = log.size();
    return fresh;
}

int GraphicsTest::CountLines(const std::string& log, const std::string& needle) const {
    int count = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + needle.size())) ++count;
    return count;
}

void ModeTest::SetUp() {
    GraphicsTest::SetUp();
    ASSERT_TRUE(SetMode(GetParam())) << "the test display offers mode " << GetParam();
    NewLog();
}

}  // namespace velk_test
