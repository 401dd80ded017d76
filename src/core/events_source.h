// The object's events for automation callers: one connection point for the
// source interface _IVELKEvents, any number of sinks called late-bound through
// IDispatch::Invoke, and the class information that points callers at it.
#pragma once
#include <windows.h>
#include <ocidl.h>  // for: IConnectionPointContainer, IConnectionPoint, IProvideClassInfo2

#include <vector>

#include "window/process_state.h"

namespace velk {

// The dispatch ids of _IVELKEvents, as fixed in the type library.
enum EventId : DISPID {
    kEventNone = 0,  // a slot without an event
    kEventOnActive = 1,
    kEventOnDeActive,
    kEventOnKeyDown,
    kEventOnKeyUp,
    kEventOnCommand,
    kEventOnMouseDown,
    kEventOnMouseUp,
    kEventOnMouseWheel,
    kEventOnMove,
    kEventOnMoving,
    kEventOnSize,
    kEventOnSizing,
    kEventOnMCIFailure,
    kEventOnMCISuccess,
    kEventOnSurfaceLost,
    kEventOnTimer,
    kEventOnSoundEnded,  // raised by the mixer, not after a handler slot
    kEventOnSoundFaded,
    kEventOnPadConnected,  // raised by the input code, not after a handler slot
    kEventOnPadDisconnected,
    kEventOnDropFiles,
};

// The event that follows a handler slot's call (kEventNone for the window-procedure slot).
EventId EventOfSlot(HostAddress HandlerSlots::*slot);

// Part of the object: its interfaces share the object's identity and life
// (their references are the object's), except the connection point, which is
// an object of its own that keeps the object alive.
class EventSource {
public:
    explicit EventSource(IUnknown* controlling);
    ~EventSource();
    EventSource(const EventSource&) = delete;
    EventSource& operator=(const EventSource&) = delete;

    // The interface the object answers for `iid` here (not yet referenced), or null.
    IUnknown* InterfaceFor(REFIID iid);
    bool HasSinks() const { return !Sinks.empty(); }
    // Calls every connected sink in the order they were advised. A sink may
    // unadvise, advise, call the object or release it meanwhile: the object
    // is held until the last call returns, and `this` may be gone after.
    void Fire(EventId id, LONG value);
    // The drag rectangle goes by reference: what a sink writes lands in it.
    void FireRectangle(EventId id, RECT* rectangle);
    // Disconnects and releases every sink (the teardown's first step).
    void UnadviseAll();

private:
    struct Sink {
        DWORD cookie;
        IDispatch* dispatch;
    };
    // The three faces of the source; each forwards to the methods below.
    struct Container final : IConnectionPointContainer {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
        HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
        EventSource* Owner = nullptr;
    };
    struct Point final : IConnectionPoint {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
        HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
        HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;
        EventSource* Owner = nullptr;
    };
    struct ClassInfo final : IProvideClassInfo2 {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
        HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;
        EventSource* Owner = nullptr;
    };

    HRESULT Advise(IUnknown* sink, DWORD* cookie);
    HRESULT Unadvise(DWORD cookie);
    bool Connected(DWORD cookie) const;
    // Invokes `id` on every sink with `args` (last argument first), rebuilt
    // for each sink by `fill` so that no sink sees another's leftovers.
    template <typename Fill>
    void CallSinks(EventId id, UINT count, Fill fill);

    IUnknown* Controlling;
    Container ContainerFace;
    Point PointFace;
    ClassInfo ClassInfoFace;
    std::vector<Sink> Sinks;
    DWORD NextCookie = 1;
};

// The window procedure's hook: fires the event that follows a slot's handler
// on the live object, for messages of its window (or of the window it is
// creating).
void FireSlotEvent(HWND window, HostAddress HandlerSlots::*slot, EventArgument argument);

}  // namespace velk
