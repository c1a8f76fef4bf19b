// The address properties: HostAddress and HostName keep each other consistent (resolving one into the
// other with AutoResolve), the Local and Remote properties report and set the ends of the connection.
#include "core/control/frame.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"

namespace qs::control {
namespace {

std::string Dotted(std::uint32_t address)
{
    char text[kDottedAddressCap];
    FormatDottedAddress(address, text, sizeof text);
    return text;
}

// The host's name for `address`, empty when it has none; the failure is not reported.
std::string NameOf(std::uint32_t address)
{
    char name[kHostNameCap];
    return ResolveHostName(address, name, sizeof name) >= 0 ? name : std::string();
}

bool ValidPort(LONG port) { return port >= 1 && port <= 0xFFFF; }

}  // namespace

HRESULT Frame::GetHostAddress(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    return TextResult(hostAddress_, value);
}

HRESULT Frame::PutHostAddress(BSTR value)
{
    const std::string text = automation::Utf8FromBstr(value);
    if (text.empty())
        return S_OK;
    hostName_.clear();
    if (!InRunMode())
        return S_OK;
    AutoInitialize();
    const std::uint32_t address = ParseHostAddress(text.c_str());
    if (address == kNoAddress)
        return ReportPropertyError();
    hostAddress_ = Dotted(address);
    if (autoResolve_)
        hostName_ = NameOf(address);
    return S_OK;
}

HRESULT Frame::GetHostName(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    return TextResult(hostName_, value);
}

HRESULT Frame::PutHostName(BSTR value)
{
    hostName_ = automation::Utf8FromBstr(value);
    if (hostName_.empty())
        return S_OK;
    hostAddress_.clear();
    if (!InRunMode())
        return S_OK;
    AutoInitialize();
    const std::uint32_t dotted = ParseDottedAddress(hostName_.c_str());
    if (dotted != kNoAddress) {
        hostAddress_ = Dotted(dotted);
        hostName_.clear();
        if (autoResolve_)
            hostName_ = NameOf(dotted);
    } else if (autoResolve_) {
        const std::uint32_t resolved = ResolveHostAddress(hostName_.c_str());
        if (resolved != kNoAddress)
            hostAddress_ = Dotted(resolved);
    }
    return S_OK;
}

HRESULT Frame::GetLocalAddress(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    std::uint32_t address = kNoAddress;
    int port = 0;
    if (SessionOpen() && GetLocalEndpoint(library_, handle_, &address, &port) != 0)
        return ReportPropertyError();
    if (address == kNoAddress && GetLocalEndpoint(library_, kNoHandle, &address, &port) != 0)
        return ReportPropertyError();
    return TextResult(Dotted(address), value);
}

HRESULT Frame::GetLocalName(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    char name[kHostNameCap];
    if (GetLocalHostName(name, sizeof name) < 0)
        return ReportPropertyError();
    return TextResult(name, value);
}

HRESULT Frame::GetLocalPort(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    *value = 0;
    if (!SessionOpen())
        return S_OK;
    std::uint32_t address = kNoAddress;
    int port = 0;
    if (GetLocalEndpoint(library_, handle_, &address, &port) != 0)
        return ReportPropertyError();
    *value = port;
    return S_OK;
}

HRESULT Frame::GetRemotePort(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    *value = remotePort_;
    return S_OK;
}

HRESULT Frame::PutRemotePort(LONG value)
{
    if (SessionOpen())
        return CTL_E_SETNOTSUPPORTED;
    if (!ValidPort(value))
        return CTL_E_INVALIDPROPERTYVALUE;
    if (InRunMode())
        AutoInitialize();
    remotePort_ = value;
    return S_OK;
}

HRESULT Frame::GetRemoteService(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    AutoInitialize();
    char name[kHostNameCap] = "";
    if (ValidPort(remotePort_) && !GetServiceName(remotePort_, name, sizeof name))
        name[0] = '\0';
    return TextResult(name, value);
}

HRESULT Frame::PutRemoteService(BSTR value)
{
    if (SessionOpen())
        return CTL_E_SETNOTSUPPORTED;
    if (InRunMode())
        AutoInitialize();
    const std::string text = automation::Utf8FromBstr(value);
    const int port = ResolveServicePort(text.c_str());
    if (port < 0)
        return ReportPropertyError();
    remotePort_ = port;
    return S_OK;
}

}  // namespace qs::control
