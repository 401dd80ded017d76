// IDispatch of IVELK2 (IVELK's members and the new ones), driven by the type library. Script hosts pass variables
// as by-reference variants, which type-library dispatch refuses for the two
// in/out parameters; those calls are unwrapped here and written back. A plain
// value there (a literal) is served through a copy, so no platform's coercion
// of it decides whether the call works or whose string the member frees.
#include <windows.h>

#include <vector>

#include "core/velk.h"

namespace {

constexpr DISPID kReadStringId = 76;   // fReadString(Categoly, KeyName, Default, [in, out] lpBuffer)
constexpr DISPID kReadIntegerId = 77;  // fReadInteger(Category, KeyName, Defaults, [in, out] pVal)
constexpr UINT kInOutParameterIndex = 3;

// How many arguments a call of the member may carry: its parameters less the
// result; a put's value included.
struct ArgumentLimit {
    DISPID id;
    bool put;
    UINT most;
};

// The members of `info` and of the interfaces it derives from, up to IDispatch's.
void ReadArgumentLimits(ITypeInfo* info, std::vector<ArgumentLimit>& limits) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    if (IsEqualGUID(attributes->guid, IID_IDispatch)) {
        info->ReleaseTypeAttr(attributes);
        return;
    }
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        UINT most = 0;
        for (SHORT p = 0; p < function->cParams; ++p)
            if (!(function->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++most;
        const bool put = (function->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
        limits.push_back({function->memid, put, most});
        info->ReleaseFuncDesc(function);
    }
    const bool derived = attributes->cImplTypes > 0;
    info->ReleaseTypeAttr(attributes);
    HREFTYPE base_ref = 0;
    ITypeInfo* base = nullptr;
    if (derived && SUCCEEDED(info->GetRefTypeOfImplType(0, &base_ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(base_ref, &base))) {
        ReadArgumentLimits(base, limits);
        base->Release();
    }
}

std::vector<ArgumentLimit> ReadArgumentLimits(ITypeInfo* info) {
    std::vector<ArgumentLimit> limits;
    ReadArgumentLimits(info, limits);
    return limits;
}

// Surplus arguments are refused here: the platform's dispatch would drop them
// and call the member anyway (a script's Run(1) then waits for ever).
bool TooManyArguments(ITypeInfo* info, DISPID id, WORD flags, UINT given) {
    static const std::vector<ArgumentLimit> limits = ReadArgumentLimits(info);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    for (const ArgumentLimit& limit : limits)
        if (limit.id == id && limit.put == put) return given > limit.most;
    return false;
}

// The argument slot that carries the parameter at `index`, or -1.
int ArgumentSlot(const DISPPARAMS* params, UINT index) {
    for (UINT i = 0; i < params->cNamedArgs; ++i)
        if (params->rgdispidNamedArgs[i] == static_cast<DISPID>(index)) return static_cast<int>(i);
    UINT positional = params->cArgs - params->cNamedArgs;
    if (index >= positional) return -1;
    return static_cast<int>(params->cArgs - 1 - index);  // arguments arrive last first
}

}  // namespace

HRESULT VelkObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_INVALIDARG;
    *count = TypeInfo ? 1 : 0;
    return S_OK;
}

HRESULT VelkObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!TypeInfo) return E_UNEXPECTED;
    TypeInfo->AddRef();
    *info = TypeInfo;
    return S_OK;
}

HRESULT VelkObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!TypeInfo) return E_UNEXPECTED;
    return DispGetIDsOfNames(TypeInfo, names, count, ids);
}

HRESULT VelkObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* exception, UINT* arg_error) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!InterfaceTypeInfo) return E_UNEXPECTED;
    if (!params) return E_INVALIDARG;
    if (TooManyArguments(InterfaceTypeInfo, id, flags, params->cArgs)) return DISP_E_BADPARAMCOUNT;
    bool handled = false;
    HRESULT hr = InvokeWithByRefVariant(id, flags, params, result, exception, arg_error, &handled);
    if (handled) return hr;
    return InterfaceTypeInfo->Invoke(static_cast<IVELK2*>(this), id, flags, params, result, exception, arg_error);
}

// Replaces the caller's by-reference variant (or plain value) with a reference
// of the declared type to a converted copy, calls through the type library, and
// stores the result in the caller's variant (a plain value is left as it was).
HRESULT VelkObject::InvokeWithByRefVariant(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                           EXCEPINFO* exception, UINT* arg_error, bool* handled) {
    *handled = false;
    if ((id != kReadStringId && id != kReadIntegerId) || !(flags & DISPATCH_METHOD)) return S_OK;
    int slot = ArgumentSlot(params, kInOutParameterIndex);
    if (slot < 0) return S_OK;
    VARTYPE given = V_VT(&params->rgvarg[slot]);
    bool variable = given == (VT_BYREF | VT_VARIANT);
    // Typed references go straight through; an omitted argument is refused there.
    if (!variable && ((given & VT_BYREF) || given == VT_ERROR)) return S_OK;
    *handled = true;

    VARIANT* callers = variable ? V_VARIANTREF(&params->rgvarg[slot]) : &params->rgvarg[slot];
    if (!callers) return E_INVALIDARG;
    VARTYPE declared = (id == kReadIntegerId) ? VT_I4 : VT_BSTR;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(VariantChangeType(&value, callers, 0, declared))) {
        if (arg_error) *arg_error = static_cast<UINT>(slot);
        return DISP_E_TYPEMISMATCH;
    }

    std::vector<VARIANTARG> args(params->rgvarg, params->rgvarg + params->cArgs);
    if (declared == VT_I4) {
        V_VT(&args[slot]) = VT_BYREF | VT_I4;
        V_I4REF(&args[slot]) = &V_I4(&value);
    } else {
        V_VT(&args[slot]) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&args[slot]) = &V_BSTR(&value);
    }
    DISPPARAMS forwarded = *params;
    forwarded.rgvarg = args.data();
    HRESULT hr = InterfaceTypeInfo->Invoke(static_cast<IVELK2*>(this), id, flags, &forwarded, result, exception,
                                           arg_error);
    if (SUCCEEDED(hr) && variable) {
        // The caller's variable takes the new value; the caller owns it from here.
        VariantClear(callers);
        *callers = value;
    } else {
        VariantClear(&value);
    }
    return hr;
}
