// The dnsclient6 module: its registration data in the registry store, creation by ProgID, and the type
// library with the enumerations.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dns/control/dns_client.h"
#include "platform/automation/classes.h"
#include "platform/automation/server.h"
#include "platform/base/module.h"
#include "platform/base/registry.h"
#include "tests/control/dispatch_driver.h"
#include "tests/dns/resolver_fixture.h"

namespace qs::dns {
namespace {

using automation::ComPtr;
using automation::Variant;

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

TEST(DnsClientModule, RegistersAndServesTheControl)
{
    char dir[] = "/tmp/qs-dnsclient-registration-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("QS_REGISTRY", (std::string(dir) + "/registry").c_str(), 1);
    // The control asks no name server here; should it start a session, discovery finds none.
    setenv("QS_RESOLV_CONF", test::kNoResolverConfig, 1);
    HMODULE module = LoadLibraryA(QS_DNSCLIENT_MODULE);
    ASSERT_NE(module, nullptr);
    char path[4096];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    ASSERT_GT(n, 0u);
    auto entry = [&](const char *name) {
        auto fn = reinterpret_cast<DllRegisterServerFn>(GetProcAddress(module, name));
        return fn != nullptr ? fn() : E_FAIL;
    };

    ASSERT_EQ(entry("DllRegisterServer"), S_OK);
    const std::string clsid = "CLSID\\" + automation::FormatGuid(kDnsClientClsid);
    const std::string title = "Quillstream Domain Name Service Control 6.0";
    const std::string file(path, n);
    struct {
        std::string key;
        const char *name;
        std::string value;
    } expected[] = {
        {"Quillstream.DnsClient.6", "", title},
        {"Quillstream.DnsClient\\CurVer", "", "Quillstream.DnsClient.6"},
        {clsid + "\\ProgID", "", "Quillstream.DnsClient.6"},
        {clsid + "\\InprocServer32", "", file},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\ToolboxBitmap32", "", file + ", 202"},
        {clsid + "\\MiscStatus\\1", "", "132497"},
        {clsid + "\\TypeLib", "", automation::FormatGuid(kDnsClientLibId)},
        {"Interface\\" + automation::FormatGuid(IDnsClient::kIid), "", "IDnsClient"},
        {"Interface\\" + automation::FormatGuid(kDnsClientEventsIid), "", "_IDnsClientEvents"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(Read(e.key, e.name), e.value) << e.key << " " << e.name;

    {
        ComPtr<IDispatch> control;
        ASSERT_EQ(automation::CreateInstanceByName("Quillstream.DnsClient", IID_IDispatch, control.OutVoid()), S_OK);
        test::DispatchDriver driver(control.get());
        EXPECT_EQ(driver.Text("Version"), "6.0.6010.1");
        EXPECT_EQ(driver.Text("Retry"), "4");
        EXPECT_EQ(driver.Text("Timeout"), "15");
    }
    ASSERT_EQ(entry("DllUnregisterServer"), S_OK);
    EXPECT_EQ(Read("Quillstream.DnsClient.6"), "<missing>");
    FreeLibrary(module);
    std::filesystem::remove_all(dir);
}

TEST(DnsClientModule, TypeLibraryDescribesTheControl)
{
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(automation::CreateTypeLib(kDnsClientLib, lib.Out()), S_OK);
    std::string reference;
    ASSERT_EQ(automation::WriteReference(lib.get(), automation::ReferenceFormat::Text, &reference), S_OK);
    for (const char *line : {"DnsClientCtl 1.0 - Quillstream Domain Name Service Control 6.0",
                             "enum _dnsConnectionConstants (ConnectionConstants)", "  dnsPortDefault = 53",
                             "  dnsRetries = 4", "enum _dnsProtocolConstants (ProtocolConstants)",
                             "  dnsProtocolUDP = 17", "enum _dnsTraceConstants (TraceConstants)",
                             "enum _dnsRecordConstants (RecordConstants)", "  dnsRecordAAAA = 28",
                             "  dnsRecordGID = 102", "enum _dnsErrorConstants (ErrorConstants)", "  dnsError = -1",
                             "  qsErrorInvalidRecordType = 12252", "    36  Query", "    19  NameServer",
                             "     3  OnTimeout", "class DnsClient"}) {
        EXPECT_NE(reference.find(line), std::string::npos) << line << "\n" << reference;
    }
}

}  // namespace
}  // namespace qs::dns
