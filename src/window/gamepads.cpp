// Gamepads through the platform's XInput, loaded when first needed.
#include "core/keep_alive.h"
#include "core/texts.h"
#include "core/velk.h"

namespace {

// Newest first. Loaded by name, so that a module beside the program comes first.
constexpr const char* kPadModules[] = {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"};

}  // namespace

bool VelkObject::LoadPads() {
    velk::PadLink& pads = Input.Pads;
    if (pads.Tried) return pads.GetState != nullptr;
    pads.Tried = true;
    for (const char* name : kPadModules) {
        HMODULE module = LoadLibraryA(name);
        if (!module) continue;
        auto get = reinterpret_cast<velk::PadGetState>(reinterpret_cast<void*>(GetProcAddress(module, "XInputGetState")));
        auto set = reinterpret_cast<velk::PadSetState>(reinterpret_cast<void*>(GetProcAddress(module, "XInputSetState")));
        if (!get || !set) {
            FreeLibrary(module);
            continue;
        }
        pads.Module = module;
        pads.GetState = get;
        pads.SetState = set;
        // Every slot is due for its first probe.
        const DWORD now = GetTickCount();
        for (velk::PadSlot& slot : pads.Slots) slot.LastProbe = now - velk::kEmptyPadProbeInterval;
        pads.LastWatch = now - velk::kEmptyPadProbeInterval;
        return true;
    }
    return false;
}

void VelkObject::ReleasePads() {
    velk::PadLink& pads = Input.Pads;
    if (!pads.Module) return;
    for (int index = 0; index < velk::kPadCount; ++index) {
        if (!pads.Slots[index].Connected) continue;
        XINPUT_VIBRATION still = {};
        pads.SetState(static_cast<DWORD>(index), &still);
    }
    // The module stays loaded until the process ends: the platform's own may
    // run a thread of its own (device arrival), which crashed the host's
    // process in unloaded code when the last object went.
    pads = velk::PadLink{};
    pads.Tried = true;  // the object is going: nothing is loaded again
}

bool VelkObject::ReadPad(int index, XINPUT_STATE* state) {
    if (!LoadPads()) return false;
    velk::PadSlot& slot = Input.Pads.Slots[index];
    const DWORD now = GetTickCount();
    if (!velk::PadProbeDue(slot, now)) return false;
    slot.LastProbe = now;
    *state = XINPUT_STATE{};
    slot.Connected = Input.Pads.GetState(static_cast<DWORD>(index), state) == ERROR_SUCCESS;
    return slot.Connected;
}

void VelkObject::WatchPads() {
    velk::PadLink& pads = Input.Pads;
    if (!pads.Tried && Events.HasSinks()) LoadPads();  // a sink may want the connection events
    if (!pads.GetState) return;
    const DWORD now = GetTickCount();
    if (now - pads.LastWatch < velk::kEmptyPadProbeInterval) return;
    pads.LastWatch = now;
    XINPUT_STATE state;
    for (int index = 0; index < velk::kPadCount; ++index) ReadPad(index, &state);
    velk::KeepAlive alive(this);  // a sink may release the host's last reference
    for (int index = 0; index < velk::kPadCount; ++index) {
        velk::PadSlot& slot = pads.Slots[index];
        if (slot.Announced == slot.Connected) continue;
        // Told before the event: a sink that pumps must not hear it twice.
        slot.Announced = slot.Connected;
        Events.Fire(slot.Connected ? velk::kEventOnPadConnected : velk::kEventOnPadDisconnected, index);
        if (!pads.GetState) return;  // the object ended inside the sink
    }
}

HRESULT VelkObject::PadConnected(LONG Index, LONG* Connected) {
    CheckInputValue(Index, 0, velk::kPadCount - 1, velk::texts::kPadIndexSubject, velk::texts::kPadIndexRange);
    XINPUT_STATE state;
    const bool present = ReadPad(Index, &state);
    if (Connected) *Connected = present ? 1 : 0;
    return S_OK;
}

HRESULT VelkObject::PadButtons(LONG Index, LONG* Buttons) {
    CheckInputValue(Index, 0, velk::kPadCount - 1, velk::texts::kPadIndexSubject, velk::texts::kPadIndexRange);
    XINPUT_STATE state;
    const bool present = ReadPad(Index, &state);
    if (Buttons) *Buttons = present ? state.Gamepad.wButtons : 0;
    return S_OK;
}

HRESULT VelkObject::PadAxis(LONG Index, LONG Axis, double* Value) {
    CheckInputValue(Index, 0, velk::kPadCount - 1, velk::texts::kPadIndexSubject, velk::texts::kPadIndexRange);
    CheckInputValue(Axis, 0, velk::kPadAxisCount - 1, velk::texts::kPadAxisSubject, velk::texts::kPadAxisRange);
    XINPUT_STATE state;
    const bool present = ReadPad(Index, &state);
    if (Value) *Value = present ? velk::PadAxisValue(state.Gamepad, Axis) : 0.0;
    return S_OK;
}

HRESULT VelkObject::PadRumble(LONG Index, double Low, double High) {
    CheckInputValue(Index, 0, velk::kPadCount - 1, velk::texts::kPadIndexSubject, velk::texts::kPadIndexRange);
    CheckLevel(Low, 0.0, 1.0, velk::texts::kRumbleSubject, velk::texts::kRumbleRange);
    CheckLevel(High, 0.0, 1.0, velk::texts::kRumbleSubject, velk::texts::kRumbleRange);
    XINPUT_STATE state;
    if (!ReadPad(Index, &state)) return S_OK;
    XINPUT_VIBRATION speeds = {velk::MotorSpeed(Low), velk::MotorSpeed(High)};
    Input.Pads.SetState(static_cast<DWORD>(Index), &speeds);
    return S_OK;
}
