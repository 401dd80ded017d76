// The object's life through the built library: version, create/release cycles,
// the single-instance rule, interface identity, aggregation and unloading.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/expected_log.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

// A minimal outer object that aggregates the library's object.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    IUnknown* inner = nullptr;
    ULONG references = 1;
};

}  // namespace

TEST(Object, AnswersVersionOneBeforeAnyWindow) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    LONG version = 0;
    EXPECT_EQ(velk->GetVELKVer(&version), S_OK);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(velk->Release(), 0u);
}

TEST(Object, CanBeCreatedAgainAfterReleaseAndStartsAFreshLog) {
    TempDir dir;
    CurrentDirectory cd(dir.path());
    IVELK* first = CreateFromLibrary();
    ASSERT_NE(first, nullptr);
    first->Logging();
    first->Release();
    std::string first_log = ReadFileBytes(dir.File("Log.txt"));
    EXPECT_NE(first_log.find("### VELK FinallyCall\r\n"), std::string::npos);

    IVELK* second = CreateFromLibrary();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(FileExists(dir.File("Log.txt"))) << "construction deletes the old log";
    LONG version = 0;
    second->GetVELKVer(&version);
    second->Release();
    EXPECT_FALSE(FileExists(dir.File("Log.txt"))) << "a new object starts with logging off";
}

VELK_SCENARIO(TwoLiveObjects) {
    IVELK* first = CreateFromLibrary();
    if (!first) return 50;
    first->Logging();
    IVELK* second = CreateFromLibrary();  // ends the process
    (void)second;
    return 51;
}

TEST(Object, SecondLiveObjectEndsTheProcessWithTheInitError) {
    TempDir dir;
    ScenarioResult result = RunScenario("TwoLiveObjects", dir.path());
    ASSERT_TRUE(EndedFatallyWithOneBox(result));
    EXPECT_EQ(result.boxes[0].text, velk::texts::kInitError);
    EXPECT_EQ(result.boxes[0].caption, velk::texts::kFatalCaption);
    EXPECT_FALSE(result.boxes[0].has_owner);
    // The first object's banner stays; the error itself is not logged and no
    // teardown runs.
    EXPECT_EQ(result.log, kBannerLines);
}

TEST(Object, AnswersOnlyItsOwnInterfaces) {
    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    IUnknown* unknown = nullptr;
    IDispatch* dispatch = nullptr;
    IVELK* again = nullptr;
    ASSERT_EQ(velk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(velk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    ASSERT_EQ(dispatch->QueryInterface(IID_IVELK, reinterpret_cast<void**>(&again)), S_OK);
    IUnknown* unknown_from_dispatch = nullptr;
    dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown_from_dispatch));
    EXPECT_EQ(unknown, unknown_from_dispatch) << "one identity";

    // The events' interfaces and IVELK2 belong to the same object.
    for (const IID& iid : {IID_IConnectionPointContainer, IID_IProvideClassInfo, IID_IProvideClassInfo2, IID_IVELK2}) {
        IUnknown* face = nullptr;
        IUnknown* identity = nullptr;
        ASSERT_EQ(velk->QueryInterface(iid, reinterpret_cast<void**>(&face)), S_OK);
        face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
        EXPECT_EQ(identity, unknown) << "one identity";
        identity->Release();
        face->Release();
    }
    const IID refused[] = {IID_ISupportErrorInfo, IID_IPersist, IID_IMarshal, IID_IConnectionPoint};
    for (const IID& iid : refused) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(velk->QueryInterface(iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    unknown_from_dispatch->Release();
    again->Release();
    dispatch->Release();
    unknown->Release();
    EXPECT_EQ(velk->Release(), 0u);
}

TEST(Object, AggregatesUnderAnOuterObject) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetLibraryClassFactory(&factory), S_OK);
    Outer outer;
    void* refused = nullptr;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IVELK, &refused), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);

    IVELK* velk = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IVELK, reinterpret_cast<void**>(&velk)), S_OK);
    EXPECT_EQ(outer.references, 2u) << "the inner object's references go to the outer one";
    IUnknown* identity = nullptr;
    velk->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer)) << "the aggregate has the outer identity";
    identity->Release();
    LONG version = 0;
    EXPECT_EQ(velk->GetVELKVer(&version), S_OK);
    EXPECT_EQ(version, 1);
    velk->Release();
    EXPECT_EQ(outer.references, 1u);

    EXPECT_EQ(outer.inner->Release(), 0u);  // the outer object's end destroys the inner one
    IVELK* next = CreateFromLibrary();      // so a new object may live
    ASSERT_NE(next, nullptr);
    next->Release();
    factory->Release();
}

TEST(Object, LibraryCanUnloadOnlyWithoutObjectsOrLocks) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetLibraryClassFactory(&factory), S_OK);
    EXPECT_EQ(LibraryCanUnloadNow(), S_FALSE) << "a held factory keeps the module";
    factory->Release();
    EXPECT_EQ(LibraryCanUnloadNow(), S_OK);

    IVELK* velk = CreateFromLibrary();
    ASSERT_NE(velk, nullptr);
    EXPECT_EQ(LibraryCanUnloadNow(), S_FALSE);
    velk->Release();
    EXPECT_EQ(LibraryCanUnloadNow(), S_OK);

    ASSERT_EQ(GetLibraryClassFactory(&factory), S_OK);
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(LibraryCanUnloadNow(), S_FALSE);
    ASSERT_EQ(GetLibraryClassFactory(&factory), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(LibraryCanUnloadNow(), S_OK);
}
