// Self-registration and the creation export.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "support/harness.h"
#include "support/velk_loader.h"

using namespace velk_test;

namespace {

std::string GuidText(REFGUID guid) {
    wchar_t wide[64];
    StringFromGUID2(guid, wide, 64);
    std::string text;
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return text;
}

// Where a registration lives: the machine's classes root or the user's own classes.
struct Classes {
    HKEY root;
    std::string prefix;
};
const Classes kMachine{HKEY_CLASSES_ROOT, ""};
const Classes kUser{HKEY_CURRENT_USER, "Software\\Classes\\"};

bool KeyExists(const Classes& classes, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(classes.root, (classes.prefix + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The string value `name` (null: default) of a key, or "<missing>".
std::string Value(const Classes& classes, const std::string& path, const char* name = nullptr) {
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueA(classes.root, (classes.prefix + path).c_str(), name, RRF_RT_REG_SZ, &type, data, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return data;
}

std::vector<std::string> SubkeysOf(const Classes& classes, const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(classes.root, (classes.prefix + path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

// The program identifiers and the class key, exactly as registration writes them.
void ExpectRegistrationScript(const Classes& classes) {
    const std::string clsid = GuidText(CLSID_VELK);
    const std::string class_key = "CLSID\\" + clsid;

    EXPECT_EQ(Value(classes, "VELK.1"), "VELK Class");
    EXPECT_EQ(Value(classes, "VELK.1\\CLSID"), clsid);
    EXPECT_EQ(SubkeysOf(classes, "VELK.1"), std::vector<std::string>({"CLSID"}));
    EXPECT_EQ(Value(classes, "VELK"), "VELK Class");
    EXPECT_EQ(Value(classes, "VELK\\CLSID"), clsid);
    EXPECT_EQ(Value(classes, "VELK\\CurVer"), "VELK.1");
    EXPECT_EQ(SubkeysOf(classes, "VELK"), std::vector<std::string>({"CLSID", "CurVer"}));

    EXPECT_EQ(Value(classes, class_key), "VELK Class");
    EXPECT_EQ(SubkeysOf(classes, class_key),
              std::vector<std::string>({"InprocServer32", "ProgID", "Programmable", "TypeLib", "VersionIndependentProgID"}));
    EXPECT_EQ(Value(classes, class_key + "\\ProgID"), "VELK.1");
    EXPECT_EQ(Value(classes, class_key + "\\VersionIndependentProgID"), "VELK");
    EXPECT_EQ(SubkeysOf(classes, class_key + "\\Programmable"), std::vector<std::string>());
    EXPECT_EQ(_stricmp(Value(classes, class_key + "\\InprocServer32").c_str(), LibraryPath().c_str()), 0);
    EXPECT_EQ(Value(classes, class_key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(classes, class_key + "\\TypeLib"), GuidText(LIBID_VELKLIB));
}

bool TypeLibraryRegistered() {
    ITypeLib* library = nullptr;
    if (FAILED(LoadRegTypeLib(LIBID_VELKLIB, 1, 0, LOCALE_NEUTRAL, &library))) return false;
    library->Release();
    return true;
}

}  // namespace

TEST(Registration, WritesExactlyTheKeysOfTheRegistrationScript) {
    ASSERT_EQ(UnregisterLibrary(), S_OK);
    ASSERT_EQ(RegisterLibrary(), S_OK);
    ExpectRegistrationScript(kMachine);
    EXPECT_TRUE(TypeLibraryRegistered());
    // The events' interface comes with the library, so that hosts can bind sinks to it.
    const std::string events_key = "Interface\\" + GuidText(DIID__IVELKEvents);
    EXPECT_EQ(Value(kMachine, events_key), "_IVELKEvents");
    EXPECT_EQ(Value(kMachine, events_key + "\\TypeLib"), GuidText(LIBID_VELKLIB));
}

TEST(Registration, PerUserWritesTheSameScriptInTheUsersClassesAndTakesAllOfItAway) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    ASSERT_EQ(InstallLibrary(true, L"User"), S_OK) << "the command is read without regard to case";
    ExpectRegistrationScript(kUser);
    const std::string libid = GuidText(LIBID_VELKLIB);
    const std::string interface_key = "Interface\\" + GuidText(IID_IVELK);
    const std::string platform = sizeof(void*) == 8 ? "win64" : "win32";
    EXPECT_EQ(_stricmp(Value(kUser, "TypeLib\\" + libid + "\\1.1\\0\\" + platform).c_str(), LibraryPath().c_str()), 0);
    EXPECT_EQ(Value(kUser, "TypeLib\\" + libid + "\\1.1"), " -=-= VELK Library -=-= Ver 1.0");
    EXPECT_EQ(Value(kUser, interface_key), "IVELK");
    EXPECT_EQ(Value(kUser, interface_key + "\\TypeLib"), libid);
    EXPECT_EQ(Value(kUser, interface_key + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
    const std::string events_key = "Interface\\" + GuidText(DIID__IVELKEvents);
    EXPECT_EQ(Value(kUser, events_key), "_IVELKEvents") << "sinks bind to the events' interface";

    ASSERT_EQ(InstallLibrary(false, L"user"), S_OK);
    EXPECT_EQ(InstallLibrary(false, L"user"), S_OK) << "nothing left to remove is no failure";
    const std::string class_key = "CLSID\\" + GuidText(CLSID_VELK);
    for (const std::string& key : {class_key, std::string("VELK.1"), std::string("VELK"), "TypeLib\\" + libid, interface_key, events_key})
        EXPECT_FALSE(KeyExists(kUser, key)) << key;
    EXPECT_TRUE(KeyExists(kMachine, class_key)) << "the machine's registration is not the user's to remove";
    EXPECT_TRUE(TypeLibraryRegistered());
    EXPECT_EQ(InstallLibrary(true, L"elsewhere"), E_INVALIDARG);
}

TEST(Registration, RewritesTheClassKeyAndUnregistrationRemovesEverything) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    const std::string class_key = "CLSID\\" + GuidText(CLSID_VELK);
    HKEY stale = nullptr;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, (class_key + "\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &stale,
                    nullptr);
    RegCloseKey(stale);
    ASSERT_EQ(RegisterLibrary(), S_OK);
    EXPECT_FALSE(KeyExists(kMachine, class_key + "\\Stale")) << "the class key is written afresh";

    ASSERT_EQ(UnregisterLibrary(), S_OK);
    EXPECT_EQ(UnregisterLibrary(), S_OK) << "nothing left to remove is no failure";
    EXPECT_FALSE(KeyExists(kMachine, class_key));
    EXPECT_FALSE(KeyExists(kMachine, "VELK.1"));
    EXPECT_FALSE(KeyExists(kMachine, "VELK"));
    EXPECT_TRUE(KeyExists(kMachine, "CLSID")) << "the CLSID root stays";
    EXPECT_FALSE(TypeLibraryRegistered());
    EXPECT_FALSE(KeyExists(kMachine, "Interface\\" + GuidText(DIID__IVELKEvents)));
    ASSERT_EQ(RegisterLibrary(), S_OK);
}

// A host that ships the library without registering it: the object comes from
// the library's own class factory and answers as a registered one does.
VELK_SCENARIO(CreateUnregistered) {
    if (FAILED(UnregisterLibrary())) return 40;
    IVELK* velk = nullptr;
    if (VelkCreateExport()(&velk) != 1 || !velk) return 41;
    LONG version = 0;
    if (velk->GetVELKVer(&version) != S_OK || version != 1) return 42;
    OLECHAR name[] = L"GetVELKVer";
    OLECHAR* names[] = {name};
    DISPID id = 0;
    if (velk->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) != S_OK || id != 110) return 43;
    IDispatch* dispatch = nullptr;
    if (velk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)) != S_OK) return 44;
    dispatch->Release();
    return velk->Release() == 0 ? 0 : 45;
}

TEST(Registration, VelkCreateMakesTheObjectWhereTheClassIsNotRegistered) {
    TempDir dir;
    ScenarioResult result = RunScenario("CreateUnregistered", dir.path());
    RegisterLibrary();
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_TRUE(result.boxes.empty());
}

// Without the component runtime on the thread nothing is made, registered or not.
VELK_SCENARIO(CreateWithoutComponentRuntime) {
    CoUninitialize();
    IVELK* velk = reinterpret_cast<IVELK*>(1);
    int created = VelkCreateExport()(&velk);
    if (velk != nullptr) return 41;
    return created;  // 0 expected
}

TEST(Registration, VelkCreateReportsAFailureInABox) {
    TempDir dir;
    ScenarioResult result = RunScenario("CreateWithoutComponentRuntime", dir.path());
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].text, velk::texts::kCreateFailedText);
    EXPECT_EQ(result.boxes[0].caption, "VELK Create Failed");
    EXPECT_FALSE(result.boxes[0].has_owner);
    EXPECT_EQ(result.boxes[0].buttons.size(), 1u);
}

TEST(Registration, VelkCreateHandsOutAUsableObjectWhenRegistered) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    IVELK* velk = nullptr;
    ASSERT_EQ(VelkCreateExport()(&velk), 1);
    ASSERT_NE(velk, nullptr);
    LONG version = 0;
    EXPECT_EQ(velk->GetVELKVer(&version), S_OK);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(velk->Release(), 0u);
}
