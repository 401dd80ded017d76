// A stand-in for the platform's gamepad module, placed beside the test program
// so the library loads it first: its pads are whatever the tests script, and
// it records what the library asked of it. No pad is connected until a test
// connects one.
#include <windows.h>
#include <xinput.h>  // for: XINPUT_STATE, XINPUT_VIBRATION

namespace {

struct ScriptedSlot {
    LONG connected;
    XINPUT_GAMEPAD pad;
    DWORD packet;
    WORD low_motor, high_motor;
    LONG state_calls;
};

ScriptedSlot slots[XUSER_MAX_COUNT];

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI XInputGetState(DWORD index, XINPUT_STATE* state) {
    if (index >= XUSER_MAX_COUNT || !state) return ERROR_BAD_ARGUMENTS;
    ScriptedSlot& slot = slots[index];
    InterlockedIncrement(&slot.state_calls);
    if (!slot.connected) return ERROR_DEVICE_NOT_CONNECTED;
    state->dwPacketNumber = slot.packet;
    state->Gamepad = slot.pad;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI XInputSetState(DWORD index, XINPUT_VIBRATION* vibration) {
    if (index >= XUSER_MAX_COUNT || !vibration) return ERROR_BAD_ARGUMENTS;
    ScriptedSlot& slot = slots[index];
    if (!slot.connected) return ERROR_DEVICE_NOT_CONNECTED;
    slot.low_motor = vibration->wLeftMotorSpeed;
    slot.high_motor = vibration->wRightMotorSpeed;
    return ERROR_SUCCESS;
}

// Connects (or disconnects) the pad at `index` with the given controls.
__declspec(dllexport) void ScriptedPadSet(int index, int connected, int buttons, int lx, int ly, int rx, int ry, int lt,
                                          int rt) {
    if (index < 0 || index >= XUSER_MAX_COUNT) return;
    ScriptedSlot& slot = slots[index];
    slot.connected = connected;
    slot.pad.wButtons = static_cast<WORD>(buttons);
    slot.pad.sThumbLX = static_cast<SHORT>(lx);
    slot.pad.sThumbLY = static_cast<SHORT>(ly);
    slot.pad.sThumbRX = static_cast<SHORT>(rx);
    slot.pad.sThumbRY = static_cast<SHORT>(ry);
    slot.pad.bLeftTrigger = static_cast<BYTE>(lt);
    slot.pad.bRightTrigger = static_cast<BYTE>(rt);
    ++slot.packet;
    if (!connected) slot.low_motor = slot.high_motor = 0;
}

// The motor speeds last set on the pad at `index`.
__declspec(dllexport) void ScriptedPadRumble(int index, int* low, int* high) {
    if (index < 0 || index >= XUSER_MAX_COUNT) return;
    *low = slots[index].low_motor;
    *high = slots[index].high_motor;
}

// How often the slot's state was asked for; `reset` starts the count again.
__declspec(dllexport) LONG ScriptedPadStateCalls(int index, int reset) {
    if (index < 0 || index >= XUSER_MAX_COUNT) return -1;
    return reset ? InterlockedExchange(&slots[index].state_calls, 0) : slots[index].state_calls;
}

}  // extern "C"
