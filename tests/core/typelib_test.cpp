// The type library inside the built DLL: every member of IVELK in slot order,
// with its dispatch id, kind, parameters, optional parameters and defaults.
#include <gtest/gtest.h>

#include <iterator>  // for: std::size
#include <string>
#include <vector>

#include "support/velk_loader.h"

using namespace velk_test;

namespace {

enum Kind { kMethod, kGet, kPut, kGetPut, kAddressGetPut };

// Parameters as "name:type[=default]", types: l long, s short, b BSTR,
// r out-retval long, L in/out long, B in/out BSTR, a BSTR without direction,
// h a host function address, R an out-retval host address. The last two are
// 64-bit integers on 64 bits and plain longs on 32 bits.
struct Member {
    DISPID id;
    const char* name;
    Kind kind;
    const char* params;
};

const Member kMembers[] = {
    {1, "wDefault", kMethod, "ProgramName:b"},
    {3, "Run", kMethod, ""},
    {4, "DoEvents", kMethod, "StillRunning:r"},
    {5, "wGetHandle", kMethod, "HandleToWindow:r"},
    {6, "wResizeTo", kMethod, "w:l,h:l"},
    {7, "wResizeBy", kMethod, "rw:l,rh:l"},
    {8, "wMoveTo", kMethod, "x:l,y:l"},
    {9, "wMoveBy", kMethod, "rx:l,ry:l"},
    {10, "wShowMessage", kMethod, "Message:b,Caption:b"},
    {11, "wYesNoMessage", kMethod, "Message:b,Caption:b,YesNo:r"},
    {13, "wCaption", kPut, "b"},
    {14, "wVisible", kGetPut, ""},
    {15, "wEnable", kGetPut, ""},
    {16, "wHasMaxBtn", kGetPut, ""},
    {17, "wHasMinBtn", kGetPut, ""},
    {18, "wHasCloseBtn", kGetPut, ""},
    {19, "wHasTitleBar", kGetPut, ""},
    {20, "wResizeable", kGetPut, ""},
    {22, "wRunTimer", kMethod, "Interval:l,Event:h"},
    {23, "GetTick", kMethod, "Tick:r"},
    {24, "OnActive", kAddressGetPut, ""},
    {25, "OnDeActive", kAddressGetPut, ""},
    {26, "OnKeyDown", kAddressGetPut, ""},
    {27, "OnKeyUp", kAddressGetPut, ""},
    {28, "OnCommand", kAddressGetPut, ""},
    {29, "OnMouseDown", kAddressGetPut, ""},
    {30, "OnMouseUp", kAddressGetPut, ""},
    {31, "OnMouseWheel", kAddressGetPut, ""},
    {32, "OnMove", kAddressGetPut, ""},
    {33, "OnMoving", kAddressGetPut, ""},
    {34, "OnSize", kAddressGetPut, ""},
    {35, "OnSizing", kAddressGetPut, ""},
    {38, "wProcedure", kAddressGetPut, ""},
    {39, "wDestroy", kMethod, ""},
    {40, "wHasBorder", kGetPut, ""},
    {41, "wToolWin", kGetPut, ""},
    {42, "wTopMost", kGetPut, ""},
    {43, "SoftwareFPS", kGetPut, ""},
    {44, "KeepFPS", kGet, ""},
    {45, "Blt", kMethod, "FromID:l,FromX:l,FromY:l,w:l,h:l,ToID:l,ToX:l,ToY:l"},
    {46, "BltStretch", kMethod, "FromID:l,FromX:l,FromY:l,FromW:l,FromH:l,ToID:l,ToX:l,ToY:l,ToW:l,ToH:l"},
    {47, "BltAlphaBlend", kMethod, "FromID:l,FromX:l,FromY:l,w:l,h:l,ToID:l,ToX:l,ToY:l,lAlphaBlend:l"},
    {48, "DrawBox", kMethod, "x:l,y:l,w:l,h:l,Color:l,Fills:l,SpriteID:l=0"},
    {49, "DrawPolygon", kMethod, "x:l,y:l,wr:l,hr:l,Polygon:l,Rotate:l,Color:l,Fills:l,SpriteID:l=0"},
    {50, "DrawLine", kMethod, "x1:l,y1:l,x2:l,y2:l,Color:l,SpriteID:l=0"},
    {51, "DrawLineFromLP", kMethod, "x:l,y:l,Color:l,SpriteID:l=0"},
    {52, "DSetLP", kMethod, "x:l,y:l,SpriteID:l=0"},
    {53, "DrawPixel", kMethod, "x:l,y:l,Color:l,SpriteID:l=0"},
    {54, "DGetPixel", kMethod, "x:l,y:l,SpriteID:l=0,pVal:r"},
    {55, "DrawRoundBox", kMethod, "x:l,y:l,w:l,h:l,Round:l,Color:l,Fills:l,SpriteID:l=0"},
    {56, "DrawCircle", kMethod, "x:l,y:l,Radius:l,StartR:l,EndR:l,Color:l,Fills:l,SpriteID:l=0"},
    {57, "DrawEllipse", kMethod, "x:l,y:l,wr:l,hr:l,StartR:l,EndR:l,Color:l,Close:l,SpriteID:l=0"},
    {58, "DrawFill", kMethod, "x:l,y:l,Color:l,SpriteID:l=0"},
    {59, "DrawString", kMethod, "x:l,y:l,Text:b,Align:l=0,Color:l,SpriteID:l=0"},
    {60, "DSetTextFont", kMethod,
     "Size:l=255,Bold:l=255,Italic:l=255,UnderLine:l=255,Strike:l=255,FontName:b=default,SpriteID:l=0"},
    {61, "DSetTextSpace", kMethod, "lSpace:l,SpriteID:l=0"},
    {62, "Refresh", kMethod, ""},
    {63, "SpriteState", kMethod, "SpriteID:l,IsEnable:l"},
    {64, "SpriteResize", kMethod, "SpriteID:l,cx:l,cy:l"},
    {65, "SpriteLoadFromFile", kMethod, "SpriteID:l,FileName:a"},
    {66, "SpriteCopy", kMethod, "FromID:l,ToID:l"},
    {67, "SpritePaste", kMethod, "FromID:l,ToID:l,x:l,y:l"},
    {68, "SpriteView", kMethod, ""},
    {69, "MouseX", kGetPut, ""},
    {70, "MouseY", kGetPut, ""},
    {71, "InCheck", kMethod, "KeyCode:s,pVal:r"},
    {72, "InCheckPrev", kMethod, "KeyCode:s,pVal:r"},
    {73, "fClear", kMethod, ""},
    {74, "fWriteString", kMethod, "Category:b,KeyName:b,Data:b"},
    {75, "fWriteInteger", kMethod, "Category:b,KeyName:b,Data:l"},
    {76, "fReadString", kMethod, "Categoly:b,KeyName:b,Default:b,lpBuffer:B"},
    {77, "fReadInteger", kMethod, "Category:b,KeyName:b,Defaults:l,pVal:L"},
    {78, "fOpen", kMethod, "FileName:b"},
    {79, "DSetFillStyle", kMethod, "newVal:l,SpriteID:l=0"},
    {80, "DSetLineStyle", kMethod, "newVal:l,SpriteID:l=0"},
    {81, "Graphics", kMethod, "lGraphMode:l"},
    {84, "OnMCIFailure", kAddressGetPut, ""},
    {85, "OnMCISuccess", kAddressGetPut, ""},
    {86, "OnSurfaceLost", kAddressGetPut, ""},
    {87, "DSetColorKey", kMethod, "Color:l,Non_Zero_SpriteID:l"},
    {89, "DSetRasterOP", kMethod, "lRasterOP:l,SpriteID:l=0"},
    {90, "DSetMapMode", kMethod, "lMapMode:l,SpriteID:l=0"},
    {91, "DSetOrigin", kMethod, "x:l,y:l,SpriteID:l=0"},
    {92, "Sound", kMethod, "lSoundMode:l"},
    {94, "Snd_Open", kMethod, "BufferID:l,FileName:b"},
    {95, "Snd_Play", kMethod, "BufferID:l,ShowDialog:l=0"},
    {96, "Snd_LoopPlay", kMethod, "BufferID:l,ShowDialog:l=0"},
    {97, "Snd_Stop", kMethod, "BufferID:l"},
    {98, "Download", kMethod, "URL:b,FileName:b"},
    {99, "Logging", kMethod, ""},
    {100, "Snd_Pause", kMethod, "Play:l,BufferID:l"},
    {108, "Snd_GetData", kMethod, "BufferID:l,Data:r"},
    {109, "TickReset", kMethod, ""},
    {110, "GetVELKVer", kMethod, "Ret:r"},
    {111, "mci", kMethod, "CMDStr:b,FilePath:b,Optional:b"},
};

// What IVELK2 adds after IVELK's slots ("d" a double, "D" a double result, "S"
// a string result).
const Member kMembers2[] = {
    {201, "Snd_SetVolume", kMethod, "BufferID:l,Volume:d"},
    {202, "Snd_GetVolume", kMethod, "BufferID:l,Volume:D"},
    {203, "Snd_SetPan", kMethod, "BufferID:l,Pan:d"},
    {204, "Snd_GetPan", kMethod, "BufferID:l,Pan:D"},
    {205, "Snd_SetSpeed", kMethod, "BufferID:l,Speed:d"},
    {206, "Snd_GetSpeed", kMethod, "BufferID:l,Speed:D"},
    {207, "MasterVolume", kGet, "D"},
    {207, "MasterVolume", kPut, "d"},
    {208, "Snd_Fade", kMethod, "BufferID:l,ToVolume:d,Milliseconds:l,StopAtEnd:l"},
    {209, "Snd_PlayVoice", kMethod, "BufferID:l,Volume:d,Pan:d,Speed:d,Voice:r"},
    {210, "Snd_StopVoice", kMethod, "Voice:l"},
    {211, "Snd_VoicePlaying", kMethod, "Voice:l,Playing:r"},
    {301, "SpriteSaveToFile", kMethod, "SpriteID:l,FileName:b"},
    {302, "SpriteSetAlpha", kMethod, "SpriteID:l,PerPixel:l"},
    {303, "SpriteGetAlpha", kMethod, "SpriteID:l,PerPixel:r"},
    {304, "BltRotate", kMethod, "FromID:l,FromX:l,FromY:l,w:l,h:l,ToID:l,ToX:l,ToY:l,Angle:d,ScaleX:d,ScaleY:d"},
    {305, "wScale", kMethod, "Width:l,Height:l,Mode:l"},
    {306, "wFullScreen", kGetPut, ""},
    {307, "DAddFont", kMethod, "FileName:b"},
    {401, "KeyHit", kMethod, "KeyCode:l,Count:r"},
    {402, "KeyReleased", kMethod, "KeyCode:l,Count:r"},
    {403, "TextInput", kGet, "S"},
    {404, "PadConnected", kMethod, "Index:l,Connected:r"},
    {405, "PadButtons", kMethod, "Index:l,Buttons:r"},
    {406, "PadAxis", kMethod, "Index:l,Axis:l,Value:D"},
    {407, "PadRumble", kMethod, "Index:l,Low:d,High:d"},
    {408, "wAcceptFiles", kGetPut, ""},
    {409, "DroppedFiles", kGet, "S"},
    {410, "ClipboardText", kGet, "S"},
    {410, "ClipboardText", kPut, "b"},
};

// The events' interface, in the same notation.
const Member kEvents[] = {
    {1, "OnActive", kMethod, "Value:l"},
    {2, "OnDeActive", kMethod, "Value:l"},
    {3, "OnKeyDown", kMethod, "KeyCode:l"},
    {4, "OnKeyUp", kMethod, "KeyCode:l"},
    {5, "OnCommand", kMethod, "Command:l"},
    {6, "OnMouseDown", kMethod, "Button:l"},
    {7, "OnMouseUp", kMethod, "Button:l"},
    {8, "OnMouseWheel", kMethod, "Delta:l"},
    {9, "OnMove", kMethod, "Value:l"},
    {10, "OnMoving", kMethod, "Left:L,Top:L,Right:L,Bottom:L"},
    {11, "OnSize", kMethod, "SizeKind:l"},
    {12, "OnSizing", kMethod, "Left:L,Top:L,Right:L,Bottom:L"},
    {13, "OnMCIFailure", kMethod, "Value:l"},
    {14, "OnMCISuccess", kMethod, "Value:l"},
    {15, "OnSurfaceLost", kMethod, "Value:l"},
    {16, "OnTimer", kMethod, "Value:l"},
    {17, "OnSoundEnded", kMethod, "BufferID:l"},
    {18, "OnSoundFaded", kMethod, "BufferID:l"},
    {19, "OnPadConnected", kMethod, "Index:l"},
    {20, "OnPadDisconnected", kMethod, "Index:l"},
    {21, "OnDropFiles", kMethod, "Count:l"},
};

// One vtable slot as the expected table implies it.
struct Slot {
    DISPID id;
    std::string name;
    INVOKEKIND invoke;
    std::vector<std::string> params;  // "name:type[=default]"
};

// On 32 bits a host address is described like any long.
std::string ForThisArchitecture(std::string param) {
    if (sizeof(void*) == 4) {
        if (param.back() == 'h') param.back() = 'l';
        if (param.back() == 'R') param.back() = 'r';
    }
    return param;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        parts.push_back(ForThisArchitecture(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return parts;
}

template <size_t N>
std::vector<Slot> ExpectedSlots(const Member (&members)[N]) {
    std::vector<Slot> slots;
    for (const Member& m : members) {
        switch (m.kind) {
        case kMethod: slots.push_back({m.id, m.name, INVOKE_FUNC, Split(m.params)}); break;
        case kGet:
            slots.push_back({m.id, m.name, INVOKE_PROPERTYGET, {std::string("pVal:") + (*m.params ? m.params : "r")}});
            break;
        case kPut: slots.push_back({m.id, m.name, INVOKE_PROPERTYPUT, {std::string("newVal:") + m.params}}); break;
        case kGetPut:
            slots.push_back({m.id, m.name, INVOKE_PROPERTYGET, {"pVal:r"}});
            slots.push_back({m.id, m.name, INVOKE_PROPERTYPUT, {"newVal:l"}});
            break;
        case kAddressGetPut:
            slots.push_back({m.id, m.name, INVOKE_PROPERTYGET, Split("pVal:R")});
            slots.push_back({m.id, m.name, INVOKE_PROPERTYPUT, Split("newVal:h")});
            break;
        }
    }
    return slots;
}

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text);
    return out;
}

// Describes a parameter in the table's notation.
std::string Describe(ITypeInfo* info, const ELEMDESC& element) {
    const TYPEDESC& type = element.tdesc;
    USHORT flags = element.paramdesc.wParamFlags;
    std::string code;
    if (type.vt == VT_PTR && type.lptdesc->vt == VT_I8 && (flags & PARAMFLAG_FRETVAL))
        code = "R";
    else if (type.vt == VT_I8)
        code = "h";
    else if (type.vt == VT_PTR && type.lptdesc->vt == VT_I4)
        code = (flags & PARAMFLAG_FRETVAL) ? "r" : ((flags & PARAMFLAG_FIN) && (flags & PARAMFLAG_FOUT)) ? "L" : "?";
    else if (type.vt == VT_PTR && type.lptdesc->vt == VT_BSTR)
        code = (flags & PARAMFLAG_FRETVAL) ? "S" : ((flags & PARAMFLAG_FIN) && (flags & PARAMFLAG_FOUT)) ? "B" : "?";
    else if (type.vt == VT_PTR && type.lptdesc->vt == VT_R8 && (flags & PARAMFLAG_FRETVAL))
        code = "D";
    else if (type.vt == VT_R8)
        code = "d";
    else if (type.vt == VT_I4)
        code = "l";
    else if (type.vt == VT_I2)
        code = "s";
    else if (type.vt == VT_BSTR)
        code = (flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) ? "b" : "a";
    else
        code = "?";
    if (flags & PARAMFLAG_FHASDEFAULT) {
        const VARIANT& value = element.paramdesc.pparamdescex->varDefaultValue;
        if (V_VT(&value) == VT_BSTR)
            code += "=" + Narrow(V_BSTR(&value));
        else if (V_VT(&value) == VT_I4)
            code += "=" + std::to_string(V_I4(&value));
        else
            code += "=?";
        if (!(flags & PARAMFLAG_FOPT)) code += "(not optional)";
    }
    (void)info;
    return code;
}

class TypeLibrary : public testing::Test {
protected:
    void SetUp() override {
        const std::string narrow = LibraryPath();
        std::wstring path(narrow.begin(), narrow.end());
        ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library_), S_OK);
        ITypeInfo* dispatch_info = nullptr;
        ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IVELK, &dispatch_info), S_OK);
        HREFTYPE vtable = 0;
        ASSERT_EQ(dispatch_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), S_OK);
        ASSERT_EQ(dispatch_info->GetRefTypeInfo(vtable, &interface_), S_OK);
        dispatch_info->Release();
    }
    void TearDown() override {
        if (interface_) interface_->Release();
        if (library_) library_->Release();
    }
    std::wstring Help(ITypeInfo* info, MEMBERID member) {
        BSTR text = nullptr;
        info->GetDocumentation(member, nullptr, &text, nullptr, nullptr);
        std::wstring result = text ? text : L"";
        SysFreeString(text);
        return result;
    }
    ITypeLib* library_ = nullptr;
    ITypeInfo* interface_ = nullptr;
};

}  // namespace

namespace {

// The interface's own slots as `expected` lists them, from vtable slot `first` on.
void ExpectSlots(ITypeInfo* info, const std::vector<Slot>& expected, UINT first) {
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(attributes->cFuncs, expected.size());
    info->ReleaseTypeAttr(attributes);

    for (UINT i = 0; i < expected.size(); ++i) {
        const Slot& slot = expected[i];
        FUNCDESC* function = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
        SCOPED_TRACE(slot.name);
        EXPECT_EQ(function->oVft, static_cast<SHORT>((first + i) * sizeof(void*)));
        EXPECT_EQ(function->memid, slot.id);
        EXPECT_EQ(function->invkind, slot.invoke);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        BSTR names[16] = {};
        UINT count = 0;
        info->GetNames(function->memid, names, 16, &count);
        EXPECT_EQ(Narrow(names[0]), slot.name);
        ASSERT_EQ(function->cParams, static_cast<SHORT>(slot.params.size()));
        for (SHORT p = 0; p < function->cParams; ++p) {
            const std::string& want = slot.params[p];
            std::string want_name = want.substr(0, want.find(':'));
            std::string want_type = want.substr(want.find(':') + 1);
            EXPECT_EQ(Describe(info, function->lprgelemdescParam[p]), want_type) << "parameter " << want_name;
            if (slot.invoke == INVOKE_FUNC && static_cast<UINT>(p + 1) < count) {
                EXPECT_EQ(Narrow(names[p + 1]), want_name);
            }
        }
        BSTR help = nullptr;
        info->GetDocumentation(function->memid, nullptr, &help, nullptr, nullptr);
        EXPECT_TRUE(help && *help) << "every member has a help string";
        SysFreeString(help);
        for (BSTR name : names) SysFreeString(name);
        info->ReleaseFuncDesc(function);
    }
}

}  // namespace

TEST_F(TypeLibrary, DescribesEveryMemberInSlotOrder) {
    const std::vector<Slot> expected = ExpectedSlots(kMembers);
    ASSERT_EQ(expected.size(), 124u);
    ExpectSlots(interface_, expected, 7);  // slots follow IDispatch's seven
}

// IVELK2 derives from IVELK, whose slots stay as they are, and adds its own after them.
TEST_F(TypeLibrary, TheSecondInterfaceAddsItsMembersAfterTheFirstsSlots) {
    ITypeInfo* dispatch_info = nullptr;
    ITypeInfo* info = nullptr;
    ITypeInfo* base = nullptr;
    HREFTYPE ref = 0;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IVELK2, &dispatch_info), S_OK);
    ASSERT_EQ(dispatch_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
    ASSERT_EQ(dispatch_info->GetRefTypeInfo(ref, &info), S_OK);
    dispatch_info->Release();
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &ref), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(ref, &base), S_OK);
    TYPEATTR* attributes = nullptr;
    base->GetTypeAttr(&attributes);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IVELK));
    base->ReleaseTypeAttr(attributes);
    base->Release();
    ExpectSlots(info, ExpectedSlots(kMembers2), 7 + 124);
    info->Release();
}

TEST_F(TypeLibrary, CarriesTheLibraryClassAndInterfaceTexts) {
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->wMajorVerNum, 1);
    EXPECT_EQ(attributes->wMinorVerNum, 1) << "1.1 since IVELK2";
    library_->ReleaseTLibAttr(attributes);
    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(library_->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_STREQ(name, L"VELKLIB");
    EXPECT_STREQ(help, L" -=-= VELK Library -=-= Ver 1.0");
    SysFreeString(name);
    SysFreeString(help);

    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_VELK, &coclass), S_OK);
    EXPECT_EQ(Help(coclass, MEMBERID_NIL), L"VELK Class");
    TYPEATTR* class_attributes = nullptr;
    coclass->GetTypeAttr(&class_attributes);
    EXPECT_TRUE(class_attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
    EXPECT_EQ(class_attributes->cImplTypes, 2) << "the interface and the events";
    coclass->ReleaseTypeAttr(class_attributes);
    INT impl_flags = 0;
    coclass->GetImplTypeFlags(0, &impl_flags);
    EXPECT_TRUE(impl_flags & IMPLTYPEFLAG_FDEFAULT);
    HREFTYPE default_ref = 0;
    ITypeInfo* default_interface = nullptr;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &default_ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(default_ref, &default_interface), S_OK);
    TYPEATTR* default_attributes = nullptr;
    default_interface->GetTypeAttr(&default_attributes);
    EXPECT_TRUE(IsEqualGUID(default_attributes->guid, IID_IVELK2)) << "late binding sees the new members";
    default_interface->ReleaseTypeAttr(default_attributes);
    default_interface->Release();
    coclass->Release();
    EXPECT_EQ(Help(interface_, MEMBERID_NIL), L"IVELK Interface");
}

TEST_F(TypeLibrary, QuotedHelpStringsAreExact) {
    EXPECT_EQ(Help(interface_, 1), L"VELKウインドウをデフォルトの設定で作成します");
    EXPECT_EQ(Help(interface_, 4), L"VELKに貯まったメッセージキューを処理します");
    EXPECT_EQ(Help(interface_, 110), L"VELKのバージョンを取得します");
}

// Hosts find the events through the class: its default source is a
// dispinterface with one method per event, called with longs.
TEST_F(TypeLibrary, NamesTheEventsAsTheClassDefaultSource) {
    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_VELK, &coclass), S_OK);
    INT flags = 0;
    HREFTYPE ref = 0;
    ITypeInfo* events = nullptr;
    ASSERT_EQ(coclass->GetImplTypeFlags(1, &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    ASSERT_EQ(coclass->GetRefTypeOfImplType(1, &ref), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, &events), S_OK);
    coclass->Release();

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, DIID__IVELKEvents));
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    ASSERT_EQ(attributes->cFuncs, std::size(kEvents));
    events->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < std::size(kEvents); ++i) {
        const Member& event = kEvents[i];
        SCOPED_TRACE(event.name);
        FUNCDESC* function = nullptr;
        ASSERT_EQ(events->GetFuncDesc(i, &function), S_OK);
        EXPECT_EQ(function->memid, event.id);
        EXPECT_EQ(function->invkind, INVOKE_FUNC);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_VOID);
        BSTR names[8] = {};
        UINT count = 0;
        events->GetNames(function->memid, names, 8, &count);
        EXPECT_EQ(Narrow(names[0]), event.name);
        const std::vector<std::string> params = Split(event.params);
        ASSERT_EQ(function->cParams, static_cast<SHORT>(params.size()));
        for (SHORT p = 0; p < function->cParams; ++p) {
            EXPECT_EQ(Narrow(names[p + 1]), params[p].substr(0, params[p].find(':')));
            EXPECT_EQ(Describe(events, function->lprgelemdescParam[p]), params[p].substr(params[p].find(':') + 1));
        }
        EXPECT_FALSE(Help(events, function->memid).empty());
        for (BSTR name : names) SysFreeString(name);
        events->ReleaseFuncDesc(function);
    }
    events->Release();
}
