// Registration data in the registry store and creation by ProgID through the sample module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include "platform/automation/invoke.h"
#include "platform/automation/server.h"
#include "platform/base/module.h"
#include "platform/base/registry.h"
#include "tests/automation/sample.h"

using namespace qs::automation;

namespace {

const std::string kClsid = FormatGuid(kSampleClsid);

// Every process gets a registry of its own, so cases that register the same class never meet.
class Classes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/qs-automation-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory = dir;
        setenv("QS_REGISTRY", (directory + "/registry").c_str(), 1);
        module = LoadLibraryA("qsautosample");
        ASSERT_NE(module, nullptr);
        char path[4096];
        DWORD n = GetModuleFileNameA(module, path, sizeof path);
        ASSERT_GT(n, 0u);
        modulePath.assign(path, n);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory); }

    static HRESULT Entry(const char *name) {
        auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(module, name));
        return fn ? fn() : E_FAIL;
    }
    // The value `name` of HKEY_CLASSES_ROOT\key, or "<missing>".
    static std::string Read(const std::string &key, const char *name = "") {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<missing>";
        char buffer[4096];
        DWORD size = sizeof buffer, type = 0;
        LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
        RegCloseKey(h);
        if (rc != ERROR_SUCCESS || type != REG_SZ || size == 0) return "<missing>";
        return std::string(buffer, size - 1);
    }
    static bool KeyExists(const std::string &key) {
        HKEY h = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    }

    static inline std::string directory;
    static inline std::string modulePath;
    static inline HMODULE module = nullptr;
};

TEST_F(Classes, RegistrationRoundTrip) {
    ASSERT_EQ(Entry("DllRegisterServer"), S_OK);
    std::string clsidKey = "CLSID\\" + kClsid;
    std::string lib = FormatGuid(kSampleLibId);
    struct {
        std::string key;
        const char *name;
        std::string value;
    } expected[] = {
        {"Quillstream.Sample.1", "", "Quillstream Sample Control 1.0"},
        {"Quillstream.Sample.1\\CLSID", "", kClsid},
        {"Quillstream.Sample", "", "Quillstream Sample Control 1.0"},
        {"Quillstream.Sample\\CLSID", "", kClsid},
        {"Quillstream.Sample\\CurVer", "", "Quillstream.Sample.1"},
        {clsidKey, "", "Quillstream Sample Control 1.0"},
        {clsidKey + "\\ProgID", "", "Quillstream.Sample.1"},
        {clsidKey + "\\VersionIndependentProgID", "", "Quillstream.Sample"},
        {clsidKey + "\\InprocServer32", "", modulePath},
        {clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsidKey + "\\ToolboxBitmap32", "", modulePath + ", 202"},
        {clsidKey + "\\MiscStatus", "", "0"},
        {clsidKey + "\\MiscStatus\\1", "", "132497"},
        {clsidKey + "\\TypeLib", "", lib},
        {clsidKey + "\\Version", "", "1.0"},
        {"TypeLib\\" + lib + "\\1.0", "", "Quillstream Sample Control 1.0"},
        {"TypeLib\\" + lib + "\\1.0\\0\\linux64", "", modulePath},
        {"Interface\\" + FormatGuid(ISample::kIid), "", "ISample"},
        {"Interface\\" + FormatGuid(kSampleEventsIid) + "\\TypeLib", "", lib},
    };
    for (const auto &e : expected) EXPECT_EQ(Read(e.key, e.name), e.value) << e.key << " " << e.name;
    for (const char *flag : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(KeyExists(clsidKey + "\\" + flag)) << flag;

    for (const char *name : {"Quillstream.Sample.1", "Quillstream.Sample", "quillstream.sample.1"}) {
        CLSID clsid{};
        EXPECT_EQ(ClsidFromProgId(name, &clsid), S_OK) << name;
        EXPECT_EQ(clsid, kSampleClsid) << name;
    }
    CLSID wide{};
    EXPECT_EQ(CLSIDFromProgID(u"Quillstream.Sample.1", &wide), S_OK);
    std::string progId;
    EXPECT_EQ(ProgIdFromClsid(kSampleClsid, &progId), S_OK);
    EXPECT_EQ(progId, "Quillstream.Sample.1");

    ASSERT_EQ(Entry("DllUnregisterServer"), S_OK);
    for (const auto &e : expected) EXPECT_FALSE(KeyExists(e.key)) << e.key;
    CLSID clsid;
    EXPECT_EQ(ClsidFromProgId("Quillstream.Sample.1", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(ProgIdFromClsid(kSampleClsid, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Entry("DllUnregisterServer"), S_OK) << "removing what is gone is no error";
}

TEST_F(Classes, CreationByProgIdLoadsTheRegisteredModule) {
    ASSERT_EQ(Entry("DllRegisterServer"), S_OK);
    auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(module, "DllCanUnloadNow"));
    ASSERT_NE(canUnload, nullptr);
    for (const std::string &name : {std::string("Quillstream.Sample"), kClsid}) {
        ComPtr<IDispatch> object;
        ASSERT_EQ(CreateInstanceByName(name, IID_IDispatch, object.OutVoid()), S_OK) << name;
        Variant path;
        ASSERT_EQ(GetProperty(object.get(), "ModulePath", &path), S_OK);
        EXPECT_EQ(path.text(), modulePath) << "the object's code is the module's";
        Variant args[] = {Variant(20), Variant(22)}, sum;
        ASSERT_EQ(CallMethod(object.get(), "Add", AsVariants(args, 2), &sum), S_OK);
        EXPECT_EQ(sum.lVal, 42);
        EXPECT_EQ(canUnload(), S_FALSE) << "an object is alive";
    }
    EXPECT_EQ(canUnload(), S_OK);
    {
        // Type information points into the module's tables: it keeps the module loaded.
        ComPtr<IDispatch> object;
        ASSERT_EQ(CreateInstanceByName("Quillstream.Sample.1", IID_IDispatch, object.OutVoid()), S_OK);
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(object->GetTypeInfo(0, 0, info.Out()), S_OK);
        object.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);
        CoFreeUnusedLibraries();
        Bstr name;
        ASSERT_EQ(info->GetDocumentation(10, name.Out(), nullptr), S_OK);
        EXPECT_EQ(name.utf8(), "Add");
    }
    EXPECT_EQ(canUnload(), S_OK);
    CoFreeUnusedLibraries();

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(kSampleClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.OutVoid()),
              S_OK);
    EXPECT_EQ(canUnload(), S_FALSE) << "a factory holds the module";
    factory->LockServer(TRUE);
    ComPtr<IUnknown> object;
    EXPECT_EQ(factory->CreateInstance(factory.get(), IUnknown::kIid, object.OutVoid()), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(nullptr, IUnknown::kIid, object.OutVoid()), S_OK);
    object.Reset();
    factory.Reset();
    EXPECT_EQ(canUnload(), S_FALSE) << "locked";
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(module, "DllGetClassObject"));
    ASSERT_EQ(getClassObject(kSampleClsid, IID_IClassFactory, factory.OutVoid()), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(canUnload(), S_OK);
    ASSERT_EQ(Entry("DllUnregisterServer"), S_OK);
}

TEST_F(Classes, CreationFailures) {
    ASSERT_EQ(Entry("DllRegisterServer"), S_OK);
    char basePath[4096];
    DWORD n = GetModuleFileNameA(QsModuleFromAddress(reinterpret_cast<const void *>(&RegOpenKeyExA)), basePath,
                                 sizeof basePath);
    ASSERT_GT(n, 0u);
    auto variant = [](std::uint8_t last, const char *progId) {
        ClassInfo info = kSampleClass;
        info.clsid.Data4[7] = last;
        info.progId = progId;
        info.versionIndependentProgId = nullptr;
        info.typeLib = nullptr;
        return info;
    };
    ClassInfo noModule = variant(0x10, "Quillstream.NoModule.1");
    ClassInfo noEntry = variant(0x11, "Quillstream.NoEntry.1");
    ClassInfo notServed = variant(0x12, "Quillstream.NotServed.1");
    ASSERT_EQ(RegisterClassInfo(noModule, "/nonexistent/libqsnothing.so"), S_OK);
    ASSERT_EQ(RegisterClassInfo(noEntry, std::string(basePath, n).c_str()), S_OK);
    ASSERT_EQ(RegisterClassInfo(notServed, modulePath.c_str()), S_OK);
    struct {
        const char *name;
        HRESULT hr;
    } cases[] = {
        {"Quillstream.Unknown.1", CO_E_CLASSSTRING},
        {"{not a class", CO_E_CLASSSTRING},
        {"", CO_E_CLASSSTRING},
        {"Quillstream.Sample.1\\CLSID", CO_E_CLASSSTRING},
        {"{A5D0C1E0-5A11-4E2B-9C61-0000000000FF}", REGDB_E_CLASSNOTREG},
        {"Quillstream.NoModule.1", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"Quillstream.NoEntry.1", CO_E_ERRORINDLL},
        {"Quillstream.NotServed.1", CLASS_E_CLASSNOTAVAILABLE},
    };
    for (const auto &c : cases) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(CreateInstanceByName(c.name, IUnknown::kIid, object.OutVoid()), c.hr) << c.name;
        EXPECT_FALSE(object);
    }
    ComPtr<IUnknown> object;
    auto outer = ComPtr<MemoryStream>::Attach(new MemoryStream);
    EXPECT_EQ(CoCreateInstance(kSampleClsid, outer.get(), CLSCTX_INPROC_SERVER, IUnknown::kIid, object.OutVoid()),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(kSampleClsid, nullptr, 0x4, IUnknown::kIid, object.OutVoid()), REGDB_E_CLASSNOTREG)
        << "only in-process servers exist";
    for (const ClassInfo *info : {&noModule, &noEntry, &notServed}) EXPECT_EQ(UnregisterClassInfo(*info), S_OK);
    ASSERT_EQ(Entry("DllUnregisterServer"), S_OK);
}

TEST_F(Classes, UnregisteringKeepsANewerVersionIndependentProgId) {
    ASSERT_EQ(Entry("DllRegisterServer"), S_OK);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Quillstream.Sample\\CurVer", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const char newer[] = "Quillstream.Sample.2";
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE *>(newer), sizeof newer), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(Entry("DllUnregisterServer"), S_OK);
    EXPECT_EQ(Read("Quillstream.Sample\\CurVer"), newer);
    EXPECT_FALSE(KeyExists("Quillstream.Sample.1"));
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "Quillstream.Sample");
}

}  // namespace
