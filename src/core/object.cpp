// VelkObject's life: construction with the single-instance rule, teardown on the
// last release, interface identity and aggregation.
#include <windows.h>

#include <new>

#include "core/log.h"
#include "core/texts.h"
#include "core/velk.h"
#include "window/process_state.h"

std::atomic<VelkObject*> LiveInstance{nullptr};

HRESULT VelkObject::Create(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An aggregate's outer object must hold the inner unknown, nothing else.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    VelkObject* object = new (std::nothrow) VelkObject(outer);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->Inner.QueryInterface(iid, out);
    object->Inner.Release();  // drops the construction reference; the query holds one
    return hr;
}

VelkObject::VelkObject(IUnknown* outer) : Events(outer ? outer : static_cast<IUnknown*>(&Inner)) {
    Inner.Self = this;
    Controlling = outer ? outer : static_cast<IUnknown*>(&Inner);
    // No usable object exists at this point, so the error box has no owner, no
    // log line is written and nothing is released.
    if (LiveInstance.load() != nullptr) velk::FatalWithoutObject(velk::texts::kInitError);

    DeleteFileA(velk::texts::kLogFileName);
    LoggingSwitch = 0;
    velk::PendingClientSize = 0;

    Window = nullptr;
    StartTick = 0;
    EndedFlag = 0;
    KeepFPSFlag = 0;
    SoundMode = 0;
    GraphicsMode = 0;
    DirectDrawObject = nullptr;
    PrimarySurface = nullptr;
    Clipper = nullptr;
    ScreenWidth = 0;
    ScreenHeight = 0;
    FrameInterval = 0;
    DirectSoundDevice = nullptr;
    PrimarySoundBuffer = nullptr;
    StreamNotifier = nullptr;
    for (HANDLE& event : SoundEvents) event = nullptr;
    WaveOutDevice = nullptr;
    ProgressDialog = nullptr;

    for (velk::SpriteSlot& slot : SpriteTable) velk::ResetSpriteSlot(slot);
    for (velk::SoundBuffer& buffer : SoundBufferTable) velk::ClearSoundBuffer(buffer);
    velk::ResetInputState(Input);

    velk::LoadVelkTypeInfo(&TypeInfo, &InterfaceTypeInfo);
    velk::ObjectCreated();
    LiveInstance = this;
    StartTick = timeGetTime();
}

VelkObject::~VelkObject() {
    if (TypeInfo) TypeInfo->Release();
    if (InterfaceTypeInfo) InterfaceTypeInfo->Release();
    velk::ObjectDestroyed();
}

void VelkObject::Teardown() {
    // Sinks go first: nothing they might call into is released yet, and no
    // event reaches them from the clean-up below.
    Events.UnadviseAll();
    if (LiveInstance.load() == nullptr) {
        velk::LogWrite(this, velk::texts::kAbortRepeated, velk::texts::kReleaseName);
        return;
    }
    velk::LogWrite(this, velk::texts::kTitle, velk::texts::kFinallyCall);
    mciSendStringA("close all", nullptr, 0, nullptr);
    KillTimer(Window, velk::kWindowTimerId);
    GraphicsCleanup();
    RemoveAddedFonts();
    ReleasePads();
    CleanupSoundMode();
    velk::LogWrite(this, velk::texts::kSucceed);
    LiveInstance = nullptr;
}

void VelkObject::TeardownOnce() {
    if (TearingDown) return;
    TearingDown = true;
    Teardown();
}

// ---------------------------------------------------------------- IUnknown (delegating)

HRESULT VelkObject::QueryInterface(REFIID iid, void** out) { return Controlling->QueryInterface(iid, out); }
ULONG VelkObject::AddRef() { return Controlling->AddRef(); }
ULONG VelkObject::Release() { return Controlling->Release(); }

// ---------------------------------------------------------------- IUnknown (non-delegating)

HRESULT VelkObject::InnerUnknown::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    VelkObject* owner = Self;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IUnknown*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IVELK) || IsEqualIID(iid, IID_IVELK2)) {
        // One vtable answers all three: IVELK2's begins with IVELK's.
        *out = static_cast<IVELK2*>(owner);
    } else if (IUnknown* events = owner->Events.InterfaceFor(iid)) {
        *out = events;
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

ULONG VelkObject::InnerUnknown::AddRef() { return ++Self->RefCount; }

ULONG VelkObject::InnerUnknown::Release() {
    VelkObject* owner = Self;
    ULONG left = --owner->RefCount;
    if (left == 0 && !owner->TearingDown) {
        owner->RefCount = 1;  // calls made during the teardown must not destroy it twice
        owner->TeardownOnce();
        delete owner;
    }
    return left;
}

// ---------------------------------------------------------------- version

HRESULT VelkObject::GetVELKVer(LONG* Ret) {
    if (Ret) *Ret = 1;
    return S_OK;
}
