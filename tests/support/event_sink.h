// A native host's sink for the object's events, connected the way automation
// hosts do it: the source interface found through IProvideClassInfo2, the
// connection point through IConnectionPointContainer, each call named through
// the type library. Calls are recorded in RecordedCalls() as "LABEL.Event",
// beside the handler calls, so one list shows their order.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>  // for: CONNECT_E_NOCONNECTION

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "support/window_fixture.h"

namespace velk_test {

class EventSink final : public IDispatch {
public:
    // Made with one reference, the test's; SinkPtr drops it.
    static EventSink* Make(const std::string& label) { return new EventSink(label); }

    // Connects to `object`'s event source; false when any step fails. Like
    // automation hosts, the sink keeps only the cookie: a connection point
    // held would keep the object alive.
    bool Advise(IUnknown* object) {
        IProvideClassInfo2* provider = nullptr;
        if (FAILED(object->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provider)))) return false;
        GUID source = GUID_NULL;
        HRESULT hr = provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source);
        ITypeInfo* coclass = nullptr;
        if (SUCCEEDED(hr)) hr = provider->GetClassInfo(&coclass);
        provider->Release();
        if (FAILED(hr)) return false;
        if (Events) Events->Release();
        if (!(Events = SourceInfo(coclass, source))) return false;
        IConnectionPoint* point = FindPoint(object);
        if (!point) return false;
        hr = point->Advise(this, &Cookie);
        point->Release();
        return SUCCEEDED(hr) && Cookie != 0;
    }
    HRESULT Unadvise(IUnknown* object) {
        IConnectionPoint* point = FindPoint(object);
        if (!point) return E_UNEXPECTED;
        HRESULT hr = point->Unadvise(Cookie);
        point->Release();
        return hr;
    }
    ULONG References() const { return Refs; }

    // Runs inside every event the sink receives, after it is recorded.
    std::function<void(const std::string& event, DISPPARAMS* params)> During;
    // Runs when a holder other than the last one releases the sink.
    std::function<void()> WhenReleased;
    // What Invoke answers; a failing sink still counts as called.
    HRESULT Answer = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, SourceIid())) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (Refs > 1 && WhenReleased) WhenReleased();
        ULONG left = --Refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO* exception, UINT*) override {
        const bool fits = IsEqualIID(iid, IID_NULL) && flags == DISPATCH_METHOD && params &&
                          params->cNamedArgs == 0 && ArgumentsFit(params);
        // The first parameter's value: the event's value, or the rectangle's left side.
        LONG value = 0;
        if (fits) {
            const VARIANTARG& first = params->rgvarg[params->cArgs - 1];
            value = V_VT(&first) == VT_I4 ? V_I4(&first) : *V_I4REF(&first);
        }
        RecordedCalls().push_back({Label + "." + NameOf(id) + (fits ? "" : "(bad call)"), value});
        if (During) During(NameOf(id), params);
        if (FAILED(Answer) && exception) exception->bstrDescription = SysAllocString(L"sink failed");
        return Answer;
    }

private:
    explicit EventSink(const std::string& label) : Label(label) {}
    ~EventSink() {
        if (Events) Events->Release();
    }

    static IConnectionPoint* FindPoint(IUnknown* object) {
        IConnectionPointContainer* container = nullptr;
        IConnectionPoint* point = nullptr;
        if (FAILED(object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
            return nullptr;
        container->FindConnectionPoint(DIID__IVELKEvents, &point);
        container->Release();
        return point;
    }

    static const IID& SourceIid() { return DIID__IVELKEvents; }

    // The class's default source interface, as a script host finds it.
    static ITypeInfo* SourceInfo(ITypeInfo* coclass, REFGUID source) {
        ITypeInfo* found = nullptr;
        TYPEATTR* attributes = nullptr;
        if (FAILED(coclass->GetTypeAttr(&attributes))) return nullptr;
        for (UINT i = 0; i < attributes->cImplTypes && !found; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            ITypeInfo* info = nullptr;
            coclass->GetImplTypeFlags(i, &flags);
            if ((flags & (IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FDEFAULT)) != (IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FDEFAULT))
                continue;
            if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, &info))) continue;
            TYPEATTR* source_attributes = nullptr;
            info->GetTypeAttr(&source_attributes);
            if (IsEqualGUID(source_attributes->guid, source) && source_attributes->typekind == TKIND_DISPATCH)
                found = info;
            info->ReleaseTypeAttr(source_attributes);
            if (!found) info->Release();
        }
        coclass->ReleaseTypeAttr(attributes);
        coclass->Release();
        return found;
    }

    std::string NameOf(DISPID id) const {
        BSTR name = nullptr;
        UINT count = 0;
        if (!Events || FAILED(Events->GetNames(id, &name, 1, &count)) || count == 0) return "#" + std::to_string(id);
        std::string narrow;
        for (const wchar_t* c = name; *c; ++c) narrow += static_cast<char>(*c);
        SysFreeString(name);
        return narrow;
    }

    // One long, or the rectangle's four longs by reference.
    static bool ArgumentsFit(const DISPPARAMS* params) {
        if (params->cArgs == 1) return V_VT(&params->rgvarg[0]) == VT_I4;
        if (params->cArgs != 4) return false;
        for (UINT i = 0; i < 4; ++i)
            if (V_VT(&params->rgvarg[i]) != (VT_BYREF | VT_I4) || !V_I4REF(&params->rgvarg[i])) return false;
        return true;
    }

    std::string Label;
    std::atomic<ULONG> Refs{1};
    ITypeInfo* Events = nullptr;
    DWORD Cookie = 0;
};

// The test's reference to a sink.
struct SinkRelease {
    void operator()(EventSink* sink) const { sink->Release(); }
};
using SinkPtr = std::unique_ptr<EventSink, SinkRelease>;

inline SinkPtr MakeSink(const std::string& label) { return SinkPtr(EventSink::Make(label)); }

}  // namespace velk_test
