// The two reading members as automation callers reach them: through IDispatch
// with a variable passed by reference (as script hosts pass it), and from VBScript.
#include <gtest/gtest.h>

#include "storage/data_file_bed.h"
#include "support/harness.h"
#include "support/script_host.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

constexpr DISPID kReadString = 76;
constexpr DISPID kReadInteger = 77;

VARIANT StringArg(const wchar_t* text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(text);
    return v;
}

VARIANT IntegerArg(LONG value) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// The reference a script host passes for a variable: a variant pointing at the caller's variant.
VARIANT ByRefVariant(VARIANT* callers) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&v) = callers;
    return v;
}

class DataFileDispatch : public testing::Test {
protected:
    void SetUp() override {
        cd_ = std::make_unique<CurrentDirectory>(bed_.Work().path());
        velk_ = CreateFromLibrary();
        ASSERT_NE(velk_, nullptr);
        ASSERT_EQ(velk_->fOpen(Bstr(L"dispatch")), S_OK);
        ASSERT_EQ(velk_->fWriteInteger(Bstr(L"game"), Bstr(L"score"), 42), S_OK);
        ASSERT_EQ(velk_->fWriteString(Bstr(L"game"), Bstr(L"name"), Bstr(L"ゆうしゃ")), S_OK);
    }
    void TearDown() override {
        if (velk_) velk_->Release();
        cd_.reset();
    }
    // Calls `id` with (category, key, default, in/out); `in_out` is the last
    // parameter's argument as given. Named when `named`.
    HRESULT Read(DISPID id, const wchar_t* key, VARIANT fallback, VARIANT in_out, bool named = false,
                 UINT* arg_error = nullptr) {
        VARIANT args[4] = {in_out, fallback, StringArg(key), StringArg(L"game")};
        DISPID names[1] = {3};
        // Named or not, the in/out argument is the first slot: named ones come
        // first, positional ones follow last first.
        DISPPARAMS params = {args, named ? names : nullptr, 4, named ? 1u : 0u};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception = {};
        UINT error_index = 0;
        HRESULT hr = velk_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception,
                                   &error_index);
        if (arg_error) *arg_error = error_index;
        VariantClear(&result);
        for (int i = 1; i < 4; ++i) VariantClear(&args[i]);
        return hr;
    }

    DataFileBed bed_;
    std::unique_ptr<CurrentDirectory> cd_;
    IVELK* velk_ = nullptr;
};

}  // namespace

TEST_F(DataFileDispatch, ReadIntegerStoresTheNumberInTheCallersVariable) {
    VARIANT callers;
    VariantInit(&callers);  // a script variable not yet assigned
    ASSERT_EQ(Read(kReadInteger, L"score", IntegerArg(0), ByRefVariant(&callers)), S_OK);
    EXPECT_EQ(V_VT(&callers), VT_I4);
    EXPECT_EQ(V_I4(&callers), 42);

    V_VT(&callers) = VT_I4;
    V_I4(&callers) = 3;
    ASSERT_EQ(Read(kReadInteger, L"missing", IntegerArg(-5), ByRefVariant(&callers)), S_OK);
    EXPECT_EQ(V_I4(&callers), -5);

    callers = StringArg(L"7");  // a variable holding text takes the number
    ASSERT_EQ(Read(kReadInteger, L"score", IntegerArg(0), ByRefVariant(&callers), true), S_OK) << "named";
    EXPECT_EQ(V_VT(&callers), VT_I4);
    EXPECT_EQ(V_I4(&callers), 42);
}

TEST_F(DataFileDispatch, ReadStringReplacesTheCallersString) {
    VARIANT callers = StringArg(L"old text");
    ASSERT_EQ(Read(kReadString, L"name", StringArg(L"none"), ByRefVariant(&callers)), S_OK);
    ASSERT_EQ(V_VT(&callers), VT_BSTR);
    EXPECT_EQ(Wide(V_BSTR(&callers)), L"ゆうしゃ");
    VariantClear(&callers);

    ASSERT_EQ(Read(kReadString, L"missing", StringArg(L"none"), ByRefVariant(&callers)), S_OK);
    ASSERT_EQ(V_VT(&callers), VT_BSTR);
    EXPECT_EQ(Wide(V_BSTR(&callers)), L"none");
    VariantClear(&callers);

    callers = IntegerArg(5);
    ASSERT_EQ(Read(kReadString, L"score", StringArg(L"none"), ByRefVariant(&callers)), S_OK);
    ASSERT_EQ(V_VT(&callers), VT_BSTR);
    EXPECT_EQ(Wide(V_BSTR(&callers)), L"42");
    VariantClear(&callers);
}

TEST_F(DataFileDispatch, AVariableOfAnUnfitValueIsRefusedAndKept) {
    VARIANT callers = StringArg(L"not a number");
    UINT arg_error = 99;
    EXPECT_EQ(Read(kReadInteger, L"score", IntegerArg(0), ByRefVariant(&callers), false, &arg_error),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(arg_error, 0u) << "the last parameter arrives first";
    ASSERT_EQ(V_VT(&callers), VT_BSTR);
    EXPECT_EQ(Wide(V_BSTR(&callers)), L"not a number");
    VariantClear(&callers);

    VARIANT omitted;
    V_VT(&omitted) = VT_ERROR;
    V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
    EXPECT_TRUE(FAILED(Read(kReadInteger, L"score", IntegerArg(0), omitted))) << "the parameter is not optional";
}

TEST_F(DataFileDispatch, TypedReferencesAndPlainValuesAreServedToo) {
    // A typed reference (early-bound style callers) goes straight to the member.
    LONG number = 0;
    VARIANT by_ref_long;
    V_VT(&by_ref_long) = VT_BYREF | VT_I4;
    V_I4REF(&by_ref_long) = &number;
    ASSERT_EQ(Read(kReadInteger, L"score", IntegerArg(0), by_ref_long), S_OK);
    EXPECT_EQ(number, 42);

    BSTR text = SysAllocString(L"old");
    VARIANT by_ref_string;
    V_VT(&by_ref_string) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&by_ref_string) = &text;
    ASSERT_EQ(Read(kReadString, L"name", StringArg(L""), by_ref_string), S_OK);
    EXPECT_EQ(Wide(text), L"ゆうしゃ");
    SysFreeString(text);

    // A value instead of a variable (a literal in a script): the call runs, the
    // caller's own value is neither changed nor freed.
    VARIANT literal = StringArg(L"literal");
    BSTR literal_text = V_BSTR(&literal);
    EXPECT_EQ(Read(kReadString, L"name", StringArg(L""), literal), S_OK);
    EXPECT_EQ(V_BSTR(&literal), literal_text);
    EXPECT_EQ(Wide(V_BSTR(&literal)), L"literal");
    VariantClear(&literal);
    VARIANT literal_number = IntegerArg(1);
    EXPECT_EQ(Read(kReadInteger, L"score", IntegerArg(0), literal_number), S_OK);
}

// ---------------------------------------------------------------- a real script client

TEST(DataFileScript, VBScriptWritesAndReadsBackThroughItsVariables) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    DataFileBed bed;
    ScriptRun run = RunScript("data_files.vbs", bed.Work().path());
    EXPECT_NE(run.output.find("score=-42"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("name=player one"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("missing=7 none"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("literals-done"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("error=0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script-complete"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFileBytes(bed.DataFile("script")), "[game]\r\nscore=-42\r\nname=player one\r\n");
}
