// The fingerclient6 and whoisclient6 modules, one table row each: their registration data in the
// registry store, creation by both ProgIDs from the module, unregistration, and the type library with
// its enumerations and members.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "finger/control/finger_client.h"
#include "platform/automation/classes.h"
#include "platform/automation/server.h"
#include "platform/base/module.h"
#include "platform/base/registry.h"
#include "tests/control/dispatch_driver.h"
#include "whois/control/whois_client.h"

namespace qs::test {
namespace {

using automation::ComPtr;
using automation::Variant;

struct Deliverable {
    const char *module;
    const char *coclass;   // "FingerClient"
    const char *title;
    CLSID clsid;
    GUID libId;
    IID dispatch;
    IID events;
    const automation::TypeLibInfo *typeLib;
    std::vector<const char *> reference;   // lines the type library's reference holds
};

const Deliverable kDeliverables[] = {
    {QS_FINGERCLIENT_MODULE, "FingerClient", "Quillstream Finger Protocol Control 6.0", finger::kFingerClientClsid,
     finger::kFingerClientLibId, IFingerClient::kIid, finger::kFingerClientEventsIid, &finger::kFingerClientLib,
     {"FingerClientCtl 1.0 - Quillstream Finger Protocol Control 6.0",
      "enum _fingerConnectionConstants (ConnectionConstants)", "  fingerPortDefault = 79", "  fingerTimeout = 20",
      "enum _fingerTraceConstants (TraceConstants)", "  fingerTraceProcess = 4096",
      "enum _fingerStatusConstants (StatusConstants)", "  fingerStatusConnect = 2", "  fingerStatusDisconnect = 5",
      "enum _fingerErrorConstants (ErrorConstants)", "  fingerError = -1", "  qsErrorNotConnected = 10057",
      "  -552  About", "  -514  Enabled", "    23  UserName", "    28  Connect", "    31  Read", "    33  Uninitialize",
      "     2  OnConnect", "     6  OnTimeout", "class FingerClient"}},
    {QS_WHOISCLIENT_MODULE, "WhoisClient", "Quillstream Whois Protocol Control 6.0", whois::kWhoisClientClsid,
     whois::kWhoisClientLibId, IWhoisClient::kIid, whois::kWhoisClientEventsIid, &whois::kWhoisClientLib,
     {"WhoisClientCtl 1.0 - Quillstream Whois Protocol Control 6.0",
      "enum _whoisConnectionConstants (ConnectionConstants)", "  whoisPortDefault = 43", "  whoisTimeout = 20",
      "enum _whoisSearchConstants (SearchConstants)", "  whoisSearchHandle = 1", "  whoisSearchMailbox = 3",
      "enum _whoisErrorConstants (ErrorConstants)", "  whoisError = -1", "  qsErrorInvalidParameter = 10014",
      "     9  Keyword", "    18  SearchType", "    29  Connect", "    34  Search", "    35  Uninitialize",
      "     5  OnRead", "class WhoisClient"}},
};

std::string Read(const std::string &key, const char *name = "")
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

bool KeyExists(const std::string &key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

class Module : public ::testing::TestWithParam<Deliverable> {
  protected:
    static void SetUpTestSuite()
    {
        char dir[] = "/tmp/qs-fw-modules-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
        setenv("QS_REGISTRY", (directory_ + "/registry").c_str(), 1);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory_); }

    static inline std::string directory_;
};

TEST_P(Module, RegistersCreatesAndUnregisters)
{
    const Deliverable &d = GetParam();
    HMODULE module = LoadLibraryA(d.module);
    ASSERT_NE(module, nullptr);
    char buffer[4096];
    const DWORD n = GetModuleFileNameA(module, buffer, sizeof buffer);
    ASSERT_GT(n, 0u);
    const std::string path(buffer, n);
    auto entry = [&](const char *name) {
        auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(module, name));
        return fn != nullptr ? fn() : E_FAIL;
    };
    ASSERT_EQ(entry("DllRegisterServer"), S_OK);

    const std::string progId = std::string("Quillstream.") + d.coclass + ".6";
    const std::string independent = std::string("Quillstream.") + d.coclass;
    const std::string clsid = "CLSID\\" + automation::FormatGuid(d.clsid);
    const std::string libid = automation::FormatGuid(d.libId);
    struct {
        std::string key;
        const char *name;
        std::string value;
    } expected[] = {
        {progId, "", d.title},
        {progId + "\\CLSID", "", automation::FormatGuid(d.clsid)},
        {independent + "\\CurVer", "", progId},
        {clsid + "\\ProgID", "", progId},
        {clsid + "\\VersionIndependentProgID", "", independent},
        {clsid + "\\InprocServer32", "", path},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\ToolboxBitmap32", "", path + ", 202"},
        {clsid + "\\MiscStatus\\1", "", "132497"},
        {clsid + "\\TypeLib", "", libid},
        {clsid + "\\Version", "", "1.0"},
        {"TypeLib\\" + libid + "\\1.0", "", d.title},
        {"Interface\\" + automation::FormatGuid(d.dispatch), "", std::string("I") + d.coclass},
        {"Interface\\" + automation::FormatGuid(d.events), "", std::string("_I") + d.coclass + "Events"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(Read(e.key, e.name), e.value) << e.key << " " << e.name;
    for (const char *flag : {"Programmable", "Control", "Insertable"})
        EXPECT_TRUE(KeyExists(clsid + "\\" + flag)) << flag;

    for (const std::string &name : {progId, independent}) {
        SCOPED_TRACE(name);
        ComPtr<IDispatch> control;
        ASSERT_EQ(automation::CreateInstanceByName(name, IID_IDispatch, control.OutVoid()), S_OK);
        DispatchDriver driver(control.get());
        EXPECT_EQ(driver.Text("Version"), "6.0.6010.1");
        EXPECT_EQ(driver.Long("Timeout"), 60);
        EXPECT_EQ(driver.Text("Blocking"), "True");
        // No host: the library's error arrives through OnError and the Error result.
        Variant error;
        EXPECT_EQ(driver.Call("Connect", {Variant("")}, &error), S_OK);
        EXPECT_EQ(error.lVal, 11001);
        EXPECT_EQ(driver.TakeEvents(),
                  std::vector<std::string>{"OnError(11001, The specified hostname is invalid or could not be resolved)"});
        EXPECT_FALSE(driver.Text("WinsockVendor").empty());
    }

    ASSERT_EQ(entry("DllUnregisterServer"), S_OK);
    for (const std::string &key : {progId, independent, clsid, "TypeLib\\" + libid})
        EXPECT_FALSE(KeyExists(key)) << key;
    FreeLibrary(module);
}

TEST_P(Module, TypeLibraryDescribesTheControl)
{
    const Deliverable &d = GetParam();
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(automation::CreateTypeLib(*d.typeLib, lib.Out()), S_OK);
    std::string reference;
    ASSERT_EQ(automation::WriteReference(lib.get(), automation::ReferenceFormat::Text, &reference), S_OK);
    for (const char *line : d.reference)
        EXPECT_NE(reference.find(line), std::string::npos) << line << "\n" << reference;
}

INSTANTIATE_TEST_SUITE_P(FingerAndWhois, Module, ::testing::ValuesIn(kDeliverables),
                         [](const auto &info) { return std::string(info.param.coclass); });

}  // namespace
}  // namespace qs::test
