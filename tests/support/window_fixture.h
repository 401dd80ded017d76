// A library object with its window open, and a recorder for host handlers.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/bstr.h"
#include "support/harness.h"
#include "support/velk_loader.h"

namespace velk_test {

// Handler calls as the host sees them: which slot, which argument.
struct HandlerCall {
    std::string slot;
    LONG argument;
    bool operator==(const HandlerCall& other) const { return slot == other.slot && argument == other.argument; }
};
std::vector<HandlerCall>& RecordedCalls();
std::vector<HandlerCall> CallsOf(const std::string& slot);

// The address of a cdecl handler that records calls under `slot`
// ("OnKeyDown", "OnSize", ..., "Timer").
velk::HostAddress RecorderFor(const std::string& slot);

inline void PumpFor(IVELK* velk, DWORD milliseconds) {
    DWORD start = GetTickCount();
    LONG ended = 0;
    do {
        velk->DoEvents(&ended);
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// A test with a fresh library object whose window is open and whose log is on,
// in a directory of its own.
class WindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND window() const;
    std::string Log() const { return ReadFileBytes(dir_.File("Log.txt")); }
    // Creates the window; tests that must act before it call this themselves.
    void OpenWindow();
    RECT ClientRect() const;
    RECT OuterRect() const;
    LONG Property(HRESULT (STDMETHODCALLTYPE IVELK::*get)(LONG*)) const;

    TempDir dir_;
    std::unique_ptr<CurrentDirectory> cd_;
    IVELK* velk_ = nullptr;
    bool open_in_setup_ = true;
};

}  // namespace velk_test
