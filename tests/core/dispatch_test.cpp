// Late binding through IDispatch, as script hosts and other automation callers use it.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

class Dispatch : public testing::Test {
protected:
    void SetUp() override {
        cd_ = std::make_unique<CurrentDirectory>(dir_.path());
        velk_ = CreateFromLibrary();
        ASSERT_NE(velk_, nullptr);
    }
    void TearDown() override {
        if (velk_) velk_->Release();
        cd_.reset();
    }
    DISPID IdOf(const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(velk_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << Narrow(name);
        return id;
    }
    HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args_last_first, VARIANT* result) {
        DISPPARAMS params = {args_last_first.data(), nullptr, static_cast<UINT>(args_last_first.size()), 0};
        EXCEPINFO exception = {};
        UINT arg_error = 0;
        return velk_->Invoke(IdOf(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                             &arg_error);
    }
    static std::string Narrow(const wchar_t* text) {
        std::string out;
        for (; *text; ++text) out += static_cast<char>(*text);
        return out;
    }
    TempDir dir_;
    std::unique_ptr<CurrentDirectory> cd_;
    IVELK* velk_ = nullptr;
};

}  // namespace

TEST_F(Dispatch, NamesMapToTheirDispatchIds) {
    const struct {
        const wchar_t* name;
        DISPID id;
    } samples[] = {{L"wDefault", 1},   {L"DoEvents", 4},      {L"wCaption", 13}, {L"OnSizing", 35},
                   {L"wProcedure", 38}, {L"KeepFPS", 44},      {L"DSetTextFont", 60}, {L"fReadString", 76},
                   {L"fReadInteger", 77}, {L"OnSurfaceLost", 86}, {L"Snd_GetData", 108}, {L"mci", 111},
                   {L"getvelkver", 110}};
    for (const auto& sample : samples) EXPECT_EQ(IdOf(sample.name), sample.id) << Narrow(sample.name);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    EXPECT_EQ(velk_->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(Dispatch, InvokesMembersWithResultsAsReturnValues) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Call(L"GetVELKVer", DISPATCH_METHOD, {}, &result), S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 1);

    ASSERT_EQ(Call(L"Logging", DISPATCH_METHOD, {}, nullptr), S_OK);
    EXPECT_EQ(ReadFileBytes(dir_.File("Log.txt")), kBannerLines);
}

TEST_F(Dispatch, DescribesItselfAndRefusesForeignInterfaces) {
    UINT count = 0;
    ASSERT_EQ(velk_->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(velk_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IVELK2));
    info->ReleaseTypeAttr(attributes);
    info->Release();
    EXPECT_EQ(velk_->GetTypeInfo(1, LOCALE_USER_DEFAULT, &info), DISP_E_BADINDEX);

    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(velk_->Invoke(110, IID_IVELK, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(velk_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND)
        << "ids missing from the table carry no member";
}
