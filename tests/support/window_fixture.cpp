// A library object with its window open, and a recorder for host handlers.
#include "support/window_fixture.h"

#include <map>

namespace velk_test {
namespace {

template <int N>
struct Recorder {
    static std::string& Slot() {
        static std::string slot;
        return slot;
    }
    static void __cdecl Call(LONG argument) { RecordedCalls().push_back({Slot(), argument}); }
};

using RecorderFunction = void(__cdecl*)(LONG);

template <int... N>
std::vector<std::pair<std::string*, RecorderFunction>> MakeRecorders(std::integer_sequence<int, N...>) {
    return {{&Recorder<N>::Slot(), &Recorder<N>::Call}...};
}

}  // namespace

std::vector<HandlerCall>& RecordedCalls() {
    static std::vector<HandlerCall> calls;
    return calls;
}

std::vector<HandlerCall> CallsOf(const std::string& slot) {
    std::vector<HandlerCall> calls;
    for (const HandlerCall& call : RecordedCalls())
        if (call.slot == slot) calls.push_back(call);
    return calls;
}

velk::HostAddress RecorderFor(const std::string& slot) {
    static auto recorders = MakeRecorders(std::make_integer_sequence<int, 20>());
    static std::map<std::string, velk::HostAddress> assigned;
    auto found = assigned.find(slot);
    if (found != assigned.end()) return found->second;
    auto& recorder = recorders.at(assigned.size());
    *recorder.first = slot;
    velk::HostAddress address = velk::AddressOf(recorder.second);
    assigned[slot] = address;
    return address;
}

void WindowTest::SetUp() {
    cd_ = std::make_unique<CurrentDirectory>(dir_.path());
    velk_ = CreateFromLibrary();
    ASSERT_NE(velk_, nullptr);
    velk_->Logging();
    if (open_in_setup_) OpenWindow();
}

void WindowTest::OpenWindow() {
    Bstr name(L"VelkTestWindow");
    ASSERT_EQ(velk_->wDefault(name), S_OK);
    ASSERT_NE(window(), nullptr);
}

void WindowTest::TearDown() {
    if (velk_) velk_->Release();
    cd_.reset();
}

HWND WindowTest::window() const {
    LONG handle = 0;
    velk_->wGetHandle(&handle);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
}

RECT WindowTest::ClientRect() const {
    RECT rect = {};
    GetClientRect(window(), &rect);
    return rect;
}

RECT WindowTest::OuterRect() const {
    RECT rect = {};
    GetWindowRect(window(), &rect);
    return rect;
}

LONG WindowTest::Property(HRESULT (STDMETHODCALLTYPE IVELK::*get)(LONG*)) const {
    LONG value = -1;
    EXPECT_EQ((velk_->*get)(&value), S_OK);
    return value;
}

}  // namespace velk_test
