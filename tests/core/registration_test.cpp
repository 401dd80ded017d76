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

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The string value `name` (null: default) of a key, or "<missing>".
std::string Value(const std::string& path, const char* name = nullptr) {
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

std::vector<std::string> SubkeysOf(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
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
    const std::string clsid = GuidText(CLSID_VELK);
    const std::string class_key = "CLSID\\" + clsid;

    EXPECT_EQ(Value("VELK.1"), "VELK Class");
    EXPECT_EQ(Value("VELK.1\\CLSID"), clsid);
    EXPECT_EQ(SubkeysOf("VELK.1"), std::vector<std::string>({"CLSID"}));
    EXPECT_EQ(Value("VELK"), "VELK Class");
    EXPECT_EQ(Value("VELK\\CLSID"), clsid);
    EXPECT_EQ(Value("VELK\\CurVer"), "VELK.1");
    EXPECT_EQ(SubkeysOf("VELK"), std::vector<std::string>({"CLSID", "CurVer"}));

    EXPECT_EQ(Value(class_key), "VELK Class");
    EXPECT_EQ(SubkeysOf(class_key),
              std::vector<std::string>({"InprocServer32", "ProgID", "Programmable", "TypeLib", "VersionIndependentProgID"}));
    EXPECT_EQ(Value(class_key + "\\ProgID"), "VELK.1");
    EXPECT_EQ(Value(class_key + "\\VersionIndependentProgID"), "VELK");
    EXPECT_EQ(SubkeysOf(class_key + "\\Programmable"), std::vector<std::string>());
    EXPECT_EQ(_stricmp(Value(class_key + "\\InprocServer32").c_str(), LibraryPath().c_str()), 0);
    EXPECT_EQ(Value(class_key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(class_key + "\\TypeLib"), GuidText(LIBID_VELKLIB));
    EXPECT_TRUE(TypeLibraryRegistered());
    // The events' interface comes with the library, so that hosts can bind sinks to it.
    const std::string events_key = "Interface\\" + GuidText(DIID__IVELKEvents);
    EXPECT_EQ(Value(events_key), "_IVELKEvents");
    EXPECT_EQ(Value(events_key + "\\TypeLib"), GuidText(LIBID_VELKLIB));
}

TEST(Registration, RewritesTheClassKeyAndUnregistrationRemovesEverything) {
    ASSERT_EQ(RegisterLibrary(), S_OK);
    const std::string class_key = "CLSID\\" + GuidText(CLSID_VELK);
    HKEY stale = nullptr;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, (class_key + "\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &stale,
                    nullptr);
    RegCloseKey(stale);
    ASSERT_EQ(RegisterLibrary(), S_OK);
    EXPECT_FALSE(KeyExists(class_key + "\\Stale")) << "the class key is written afresh";

    ASSERT_EQ(UnregisterLibrary(), S_OK);
    EXPECT_EQ(UnregisterLibrary(), S_OK) << "nothing left to remove is no failure";
    EXPECT_FALSE(KeyExists(class_key));
    EXPECT_FALSE(KeyExists("VELK.1"));
    EXPECT_FALSE(KeyExists("VELK"));
    EXPECT_TRUE(KeyExists("CLSID")) << "the CLSID root stays";
    EXPECT_FALSE(TypeLibraryRegistered());
    EXPECT_FALSE(KeyExists("Interface\\" + GuidText(DIID__IVELKEvents)));
    ASSERT_EQ(RegisterLibrary(), S_OK);
}

VELK_SCENARIO(CreateUnregistered) {
    if (FAILED(UnregisterLibrary())) return 40;
    IVELK* velk = reinterpret_cast<IVELK*>(1);
    int created = VelkCreateExport()(&velk);
    if (velk != nullptr) return 41;
    return created;  // 0 expected
}

TEST(Registration, VelkCreateReportsAnUnregisteredClassInABox) {
    TempDir dir;
    ScenarioResult result = RunScenario("CreateUnregistered", dir.path());
    RegisterLibrary();
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
