// Connection point, enumerators and class information of the object's events,
// and the calls of the sinks.
#include "core/events_source.h"

#include <olectl.h>  // for: CONNECT_E_NOCONNECTION, CONNECT_E_CANNOTCONNECT

#include <atomic>
#include <new>

#include "core/velk.h"

namespace velk {
namespace {

// ---------------------------------------------------------------- enumerators

// What an enumerator hands out is referenced for the caller; these say how.
IUnknown* UnknownOf(const CONNECTDATA& item) { return item.pUnk; }
IUnknown* UnknownOf(IConnectionPoint* item) { return item; }

// A fixed snapshot taken when the enumerator is made (later advises and
// unadvises do not change it); it holds a reference to every item.
template <typename Interface, typename Item>
class Enumerator final : public Interface {
public:
    Enumerator(REFIID iid, std::vector<Item> items, size_t position)
        : Iid(iid), Items(std::move(items)), Position(position) {
        for (const Item& item : Items) UnknownOf(item)->AddRef();
    }
    ~Enumerator() {
        for (const Item& item : Items) UnknownOf(item)->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Iid)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --References;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out) return E_POINTER;
        if (count != 1 && !fetched) return E_INVALIDARG;  // the caller could not learn how many came
        ULONG given = 0;
        for (; given < count && Position < Items.size(); ++given, ++Position) {
            out[given] = Items[Position];
            UnknownOf(out[given])->AddRef();
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        size_t left = Items.size() - Position;
        size_t skipped = count < left ? count : left;
        Position += skipped;
        return skipped == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        Position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) Enumerator(Iid, Items, Position);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    const IID Iid;
    std::vector<Item> Items;
    size_t Position;
    std::atomic<ULONG> References{1};
};

using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA>;
using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*>;

// A sink's answer is not looked at, but what it allocated for it is freed.
void ClearInvokeResults(VARIANT* result, EXCEPINFO* exception) {
    VariantClear(result);
    SysFreeString(exception->bstrSource);
    SysFreeString(exception->bstrDescription);
    SysFreeString(exception->bstrHelpFile);
}

HRESULT LoadCoclassInfo(ITypeInfo** out) {
    wchar_t path[MAX_PATH];
    if (!ModulePathW(path, MAX_PATH)) return E_FAIL;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(CLSID_VELK, out);
    library->Release();
    return hr;
}

}  // namespace

EventId EventOfSlot(HostAddress HandlerSlots::*slot) {
    struct Pair {
        HostAddress HandlerSlots::*slot;
        EventId id;
    };
    static const Pair kPairs[] = {
        {&HandlerSlots::OnActive, kEventOnActive},         {&HandlerSlots::OnDeActive, kEventOnDeActive},
        {&HandlerSlots::OnKeyDown, kEventOnKeyDown},       {&HandlerSlots::OnKeyUp, kEventOnKeyUp},
        {&HandlerSlots::OnCommand, kEventOnCommand},       {&HandlerSlots::OnMouseDown, kEventOnMouseDown},
        {&HandlerSlots::OnMouseUp, kEventOnMouseUp},       {&HandlerSlots::OnMouseWheel, kEventOnMouseWheel},
        {&HandlerSlots::OnMove, kEventOnMove},             {&HandlerSlots::OnMoving, kEventOnMoving},
        {&HandlerSlots::OnSize, kEventOnSize},             {&HandlerSlots::OnSizing, kEventOnSizing},
        {&HandlerSlots::OnMCIFailure, kEventOnMCIFailure}, {&HandlerSlots::OnMCISuccess, kEventOnMCISuccess},
        {&HandlerSlots::OnSurfaceLost, kEventOnSurfaceLost}, {&HandlerSlots::Timer, kEventOnTimer},
    };
    for (const Pair& pair : kPairs)
        if (pair.slot == slot) return pair.id;
    return kEventNone;
}

// ---------------------------------------------------------------- the source

EventSource::EventSource(IUnknown* controlling) : Controlling(controlling) {
    ContainerFace.Owner = this;
    PointFace.Owner = this;
    ClassInfoFace.Owner = this;
}

EventSource::~EventSource() { UnadviseAll(); }

IUnknown* EventSource::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IConnectionPointContainer)) return &ContainerFace;
    if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) return &ClassInfoFace;
    return nullptr;
}

HRESULT EventSource::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IDispatch* dispatch = nullptr;
    // Sinks are called through IDispatch alone, so one that answers only that is taken too.
    if (FAILED(sink->QueryInterface(DIID__IVELKEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    if (!dispatch) return CONNECT_E_CANNOTCONNECT;
    Sinks.push_back({NextCookie, dispatch});
    *cookie = NextCookie++;
    if (NextCookie == 0) NextCookie = 1;  // 0 is never a cookie
    return S_OK;
}

HRESULT EventSource::Unadvise(DWORD cookie) {
    for (auto it = Sinks.begin(); it != Sinks.end(); ++it) {
        if (it->cookie != cookie) continue;
        IDispatch* dispatch = it->dispatch;
        Sinks.erase(it);
        dispatch->Release();  // last: the sink's release may call back in
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

void EventSource::UnadviseAll() {
    std::vector<Sink> leaving;
    leaving.swap(Sinks);
    for (const Sink& sink : leaving) sink.dispatch->Release();
}

bool EventSource::Connected(DWORD cookie) const {
    for (const Sink& sink : Sinks)
        if (sink.cookie == cookie) return true;
    return false;
}

template <typename Fill>
void EventSource::CallSinks(EventId id, UINT count, Fill fill) {
    if (Sinks.empty()) return;
    IUnknown* object = Controlling;
    object->AddRef();
    // Sinks advised during the event hear the next one; a sink unadvised
    // during it (also by another sink) hears nothing more.
    std::vector<Sink> snapshot = Sinks;
    for (const Sink& sink : snapshot) sink.dispatch->AddRef();
    for (const Sink& sink : snapshot) {
        if (!Connected(sink.cookie)) continue;
        VARIANTARG args[4];
        fill(args);
        DISPPARAMS params = {args, nullptr, count, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception = {};
        UINT bad_argument = 0;
        // Whatever a sink answers, the next one is called.
        sink.dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception,
                              &bad_argument);
        ClearInvokeResults(&result, &exception);
    }
    for (const Sink& sink : snapshot) sink.dispatch->Release();
    object->Release();  // may end the object, and this source with it
}

void EventSource::Fire(EventId id, LONG value) {
    CallSinks(id, 1, [value](VARIANTARG* args) {
        VariantInit(&args[0]);
        V_VT(&args[0]) = VT_I4;
        V_I4(&args[0]) = value;
    });
}

void EventSource::FireRectangle(EventId id, RECT* rectangle) {
    RECT none = {};  // a message posted without a rectangle still fires, on a blank one
    RECT* target = rectangle ? rectangle : &none;
    LONG* sides[4] = {&target->bottom, &target->right, &target->top, &target->left};  // last first
    CallSinks(id, 4, [&sides](VARIANTARG* args) {
        for (int i = 0; i < 4; ++i) {
            VariantInit(&args[i]);
            V_VT(&args[i]) = VT_BYREF | VT_I4;
            V_I4REF(&args[i]) = sides[i];
        }
    });
}

// ---------------------------------------------------------------- container

HRESULT EventSource::Container::QueryInterface(REFIID iid, void** out) {
    return Owner->Controlling->QueryInterface(iid, out);
}
ULONG EventSource::Container::AddRef() { return Owner->Controlling->AddRef(); }
ULONG EventSource::Container::Release() { return Owner->Controlling->Release(); }

HRESULT EventSource::Container::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    std::vector<IConnectionPoint*> points = {&Owner->PointFace};
    *out = new (std::nothrow) PointEnumerator(IID_IEnumConnectionPoints, points, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT EventSource::Container::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, DIID__IVELKEvents)) return CONNECT_E_NOCONNECTION;
    *out = &Owner->PointFace;
    (*out)->AddRef();
    return S_OK;
}

// ---------------------------------------------------------------- connection point

HRESULT EventSource::Point::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}
// A connection point keeps its container, the object, alive.
ULONG EventSource::Point::AddRef() { return Owner->Controlling->AddRef(); }
ULONG EventSource::Point::Release() { return Owner->Controlling->Release(); }

HRESULT EventSource::Point::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = DIID__IVELKEvents;
    return S_OK;
}

HRESULT EventSource::Point::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = &Owner->ContainerFace;
    (*out)->AddRef();
    return S_OK;
}

HRESULT EventSource::Point::Advise(IUnknown* sink, DWORD* cookie) { return Owner->Advise(sink, cookie); }
HRESULT EventSource::Point::Unadvise(DWORD cookie) { return Owner->Unadvise(cookie); }

HRESULT EventSource::Point::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    std::vector<CONNECTDATA> connections;
    for (const Sink& sink : Owner->Sinks) connections.push_back({sink.dispatch, sink.cookie});
    *out = new (std::nothrow) ConnectionEnumerator(IID_IEnumConnections, connections, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// ---------------------------------------------------------------- class information

HRESULT EventSource::ClassInfo::QueryInterface(REFIID iid, void** out) {
    return Owner->Controlling->QueryInterface(iid, out);
}
ULONG EventSource::ClassInfo::AddRef() { return Owner->Controlling->AddRef(); }
ULONG EventSource::ClassInfo::Release() { return Owner->Controlling->Release(); }

HRESULT EventSource::ClassInfo::GetClassInfo(ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return LoadCoclassInfo(out);
}

HRESULT EventSource::ClassInfo::GetGUID(DWORD kind, GUID* out) {
    if (!out) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *out = GUID_NULL;
        return E_INVALIDARG;
    }
    *out = DIID__IVELKEvents;
    return S_OK;
}

// ---------------------------------------------------------------- the window's hook

void FireSlotEvent(HWND window, HostAddress HandlerSlots::*slot, EventArgument argument) {
    VelkObject* self = LiveInstance.load();
    if (!self) return;
    // An earlier object's window, still open, has no sinks of its own.
    if (self->WindowHandle() && self->WindowHandle() != window) return;
    EventId id = EventOfSlot(slot);
    if (id == kEventNone) return;
    if (id == kEventOnSizing || id == kEventOnMoving)
        self->Events.FireRectangle(id, reinterpret_cast<RECT*>(argument));
    else
        self->Events.Fire(id, static_cast<LONG>(argument));
}

}  // namespace velk
