// The timeclient6 module: its registration data in the registry store, creation by ProgID, its type
// library and unloading.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/automation/classes.h"
#include "platform/automation/server.h"
#include "platform/base/module.h"
#include "platform/base/registry.h"
#include "tests/control/dispatch_driver.h"
#include "time/control/time_client.h"

namespace qs::time {
namespace {

using automation::ComPtr;
using automation::Variant;

class Registration : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        char dir[] = "/tmp/qs-registration-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
        setenv("QS_REGISTRY", (directory_ + "/registry").c_str(), 1);
        module_ = LoadLibraryA(QS_TIMECLIENT_MODULE);
        ASSERT_NE(module_, nullptr);
        char path[4096];
        const DWORD n = GetModuleFileNameA(module_, path, sizeof path);
        ASSERT_GT(n, 0u);
        path_.assign(path, n);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory_); }

    static HRESULT Entry(const char *name)
    {
        auto entry = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(module_, name));
        return entry != nullptr ? entry() : E_FAIL;
    }
    static std::string Read(const std::string &key, const char *name = "")
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return "<missing>";
        char buffer[4096];
        DWORD size = sizeof buffer, type = 0;
        const LONG rc = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
        RegCloseKey(handle);
        if (rc != ERROR_SUCCESS || type != REG_SZ || size == 0)
            return "<missing>";
        return std::string(buffer, size - 1);
    }
    static bool KeyExists(const std::string &key)
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return false;
        RegCloseKey(handle);
        return true;
    }

    static inline std::string directory_;
    static inline std::string path_;
    static inline HMODULE module_ = nullptr;
};

TEST_F(Registration, RoundTripThroughTheRegistry)
{
    ASSERT_EQ(Entry("DllRegisterServer"), S_OK);
    const std::string clsid = "CLSID\\" + automation::FormatGuid(kTimeClientClsid);
    const std::string libid = automation::FormatGuid(kTimeClientLibId);
    const std::string title = "Quillstream Time Protocol Control 6.0";
    struct {
        std::string key;
        const char *name;
        std::string value;
    } expected[] = {
        {"Quillstream.TimeClient.6", "", title},
        {"Quillstream.TimeClient.6\\CLSID", "", automation::FormatGuid(kTimeClientClsid)},
        {"Quillstream.TimeClient", "", title},
        {"Quillstream.TimeClient\\CurVer", "", "Quillstream.TimeClient.6"},
        {clsid, "", title},
        {clsid + "\\ProgID", "", "Quillstream.TimeClient.6"},
        {clsid + "\\VersionIndependentProgID", "", "Quillstream.TimeClient"},
        {clsid + "\\InprocServer32", "", path_},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\ToolboxBitmap32", "", path_ + ", 202"},
        {clsid + "\\MiscStatus\\1", "", "132497"},
        {clsid + "\\TypeLib", "", libid},
        {clsid + "\\Version", "", "1.0"},
        {"TypeLib\\" + libid + "\\1.0", "", title},
        {"Interface\\" + automation::FormatGuid(ITimeClient::kIid), "", "ITimeClient"},
        {"Interface\\" + automation::FormatGuid(kTimeClientEventsIid), "", "_ITimeClientEvents"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(Read(e.key, e.name), e.value) << e.key << " " << e.name;
    for (const char *flag : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(KeyExists(clsid + "\\" + flag)) << flag;

    // Both ProgIDs create the control from the module, with the module's own version.
    for (const char *progId : {"Quillstream.TimeClient.6", "Quillstream.TimeClient"}) {
        SCOPED_TRACE(progId);
        ComPtr<IDispatch> control;
        ASSERT_EQ(automation::CreateInstanceByName(progId, IID_IDispatch, control.OutVoid()), S_OK);
        test::DispatchDriver driver(control.get());
        EXPECT_EQ(driver.Text("Version"), "6.0.6010.1");
        EXPECT_EQ(driver.Put("ThrowError", Variant(true)), S_OK);
        EXPECT_EQ(driver.Call("Cancel"), S_OK);
        EXPECT_EQ(driver.Call("Initialize"), S_OK);
        EXPECT_EQ(driver.Call("Cancel"), MakeHresult(0x800A2EE9));
        EXPECT_EQ(driver.TakeEvents(),
                  std::vector<std::string>{"OnError(12009, No blocking operation in progress on this socket)"});
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(module_, "DllCanUnloadNow"));
        EXPECT_EQ(canUnload(), S_FALSE);  // the control keeps the module
    }
    auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(module_, "DllCanUnloadNow"));
    EXPECT_EQ(canUnload(), S_OK);

    ASSERT_EQ(Entry("DllUnregisterServer"), S_OK);
    for (const std::string &key : {std::string("Quillstream.TimeClient.6"), std::string("Quillstream.TimeClient"), clsid,
                                  "TypeLib\\" + libid})
        EXPECT_FALSE(KeyExists(key)) << key;
    ComPtr<IDispatch> control;
    EXPECT_EQ(automation::CreateInstanceByName("Quillstream.TimeClient.6", IID_IDispatch, control.OutVoid()),
              CO_E_CLASSSTRING);
}

// The type library carries the enumerations with their aliases, the error constants and the class.
TEST_F(Registration, TypeLibraryDescribesTheControl)
{
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(automation::CreateTypeLib(kTimeClientLib, lib.Out()), S_OK);
    std::string reference;
    ASSERT_EQ(automation::WriteReference(lib.get(), automation::ReferenceFormat::Text, &reference), S_OK);
    for (const char *line : {"TimeClientCtl 1.0 - Quillstream Time Protocol Control 6.0",
                             "enum _timeConnectionConstants (ConnectionConstants)", "  timePortDefault = 37",
                             "enum _timeTraceConstants (TraceConstants)", "  timeTraceProcess = 4096",
                             "enum _timeErrorConstants (ErrorConstants)", "  timeError = -1",
                             "  qsErrorOperationTimeout = 10060", "  qsErrorInvalidHostName = 11001",
                             "    29  GetTime", "  -552  About", "  -514  Enabled", "     4  OnTimeout",
                             "class TimeClient"}) {
        EXPECT_NE(reference.find(line), std::string::npos) << line << "\n" << reference;
    }
}

}  // namespace
}  // namespace qs::time
