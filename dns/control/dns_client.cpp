// The DNS control's session and settings: its life with initialisation, Reset and Uninitialize, Cancel,
// Timeout and Retry, the name-server slots, the local host and the local domain.
#include "dns/control/dns_client.h"

#include <algorithm>

#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "dns/resolver/dns_session.h"

namespace qs::dns {
namespace {

bool ValidSlot(LONG index) { return index >= 0 && index < kDnsNameServerSlots; }

}  // namespace

DnsClient::~DnsClient() { FreeSession(); }

std::string DnsClient::Dotted(std::uint32_t address)
{
    char text[kDottedAddressCap];
    FormatDottedAddress(address, text, sizeof text);
    return text;
}

ClientHandle DnsClient::Session()
{
    if (handle_ == kNoHandle && RunMode() && SUCCEEDED(AutoInitialize()))
        handle_ = DnsCreateSession(timeout_, retries_, 0);
    return handle_;
}

void DnsClient::FreeSession()
{
    if (handle_ != kNoHandle)
        DnsFreeSession(handle_);
    handle_ = kNoHandle;
}

HRESULT DnsClient::Initialize(const VARIANT &moduleName, const VARIANT &options, const VARIANT &reserved,
                              VARIANT *error)
{
    HRESULT hr = InitializeMethod(moduleName, options, reserved, error);
    if (FAILED(hr) || !Initialised() || handle_ != kNoHandle)
        return hr;
    handle_ = DnsCreateSession(timeout_, retries_, 0);
    if (handle_ != kNoHandle)
        return S_OK;
    SetErrorResult(error, ErrorNumber(GetErrorCode()));
    hr = ReportError(0, true, false);
    return throwError_ ? hr : S_OK;
}

HRESULT DnsClient::Reset()
{
    FreeSession();
    ResetMethod();
    if (Initialised())
        handle_ = DnsCreateSession(timeout_, retries_, 0);
    return S_OK;
}

HRESULT DnsClient::Uninitialize()
{
    FreeSession();
    return UninitializeMethod();
}

void DnsClient::ResetOwnState()
{
    ForgetHost();
    hostFile_.clear();
    hostProtocol_ = kDnsProtocolTcp;
    options_ = 0;
    retries_ = kDnsClientRetries;
}

int DnsClient::CancelOperation() { return DnsCancel(handle_); }

HRESULT DnsClient::get_IsBlocked(VARIANT_BOOL *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return BoolResult(library_.SessionIsBlocking(handle_) != 0, value);
}

HRESULT DnsClient::get_Options(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = options_;
    return S_OK;
}

HRESULT DnsClient::put_Options(LONG value)
{
    options_ = value;
    return S_OK;
}

HRESULT DnsClient::get_Retry(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = retries_;
    return S_OK;
}

HRESULT DnsClient::put_Retry(LONG value)
{
    const LONG retries = std::clamp(value, LONG{1}, kDnsClientMaxRetries);
    if (RunMode() && DnsSetRetryCount(Session(), retries) < 0)
        return ReportPropertyError();
    retries_ = retries;
    return S_OK;
}

// Kept as given; the session waits at most an hour per attempt.
HRESULT DnsClient::put_Timeout(LONG value)
{
    if (RunMode() && DnsSetTimeout(Session(), value) < 0)
        return ReportPropertyError();
    timeout_ = value;
    return S_OK;
}

HRESULT DnsClient::get_NameServer(LONG index, BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    if (!ValidSlot(index))
        return CTL_E_INVALIDPROPERTYARRAYINDEX;
    const std::uint32_t address = DnsGetNameServer(Session(), index);
    if (address == kNoAddress)
        return ReportPropertyError();
    return TextResult(address != 0 ? Dotted(address) : std::string(), value);
}

HRESULT DnsClient::put_NameServer(LONG index, BSTR value)
{
    if (!ValidSlot(index))
        return CTL_E_INVALIDPROPERTYARRAYINDEX;
    const std::string address = automation::Utf8FromBstr(value);
    if (DnsSetNameServer(Session(), index, address.c_str(), remotePort_) != 0)
        return ReportPropertyError();
    return S_OK;
}

HRESULT DnsClient::get_ServerAddress(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    const std::uint32_t address = handle_ != kNoHandle ? DnsGetServerAddress(handle_) : kNoAddress;
    return TextResult(address != kNoAddress ? Dotted(address) : std::string(), value);
}

HRESULT DnsClient::get_LocalAddress(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    const std::uint32_t address = DnsGetLocalAddress(Session());
    if (address == kNoAddress)
        return ReportPropertyError();
    return TextResult(Dotted(address), value);
}

HRESULT DnsClient::get_LocalName(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char name[kHostTextCap];
    if (DnsGetLocalName(Session(), name, sizeof name) < 0)
        return ReportPropertyError();
    return TextResult(name, value);
}

// Read into a buffer that holds any domain the session accepts, so what was set can be read back.
HRESULT DnsClient::get_LocalDomain(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    char domain[kDnsDomainCap];
    if (DnsGetLocalDomain(Session(), domain, sizeof domain) < 0)
        return ReportPropertyError();
    return TextResult(domain, value);
}

// A null text reads the system's domain again; an empty one clears it.
HRESULT DnsClient::put_LocalDomain(BSTR value)
{
    const std::string domain = automation::Utf8FromBstr(value);
    if (DnsSetLocalDomain(Session(), value != nullptr ? domain.c_str() : nullptr) != 0)
        return ReportPropertyError();
    return S_OK;
}

}  // namespace qs::dns
