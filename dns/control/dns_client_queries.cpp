// The DNS control's methods: Query (one record as text), Resolve (the address of a host) and MatchHost.
#include "core/error/last_error.h"
#include "core/host/host_address.h"
#include "core/net/dotted_address.h"
#include "dns/control/dns_client.h"
#include "dns/lib/dns_message.h"

namespace qs::dns {
namespace {

using automation::Variant;

bool IsReference(const VARIANT &target) { return (target.vt & VT_BYREF) != 0; }

// An in/out argument that receives a text: a reference to a string or to a variant, or a variant of
// any type (replaced).
HRESULT CheckTextTarget(const VARIANT &target)
{
    const bool text = target.vt == (VT_BYREF | VT_BSTR) || target.vt == (VT_BYREF | VT_VARIANT);
    return IsReference(target) && !text ? DISP_E_TYPEMISMATCH : S_OK;
}

HRESULT StoreText(VARIANT *target, std::string_view text)
{
    if (!IsReference(*target))
        VariantClear(target);
    return automation::StoreThrough(target, Variant(text));
}

// Missing, empty or an empty text: the type of an address record.
bool DefaultRecordType(const VARIANT &type)
{
    const VARIANT &value = automation::Deref(type);
    return control::Frame::IsMissingArgument(value) || (value.vt == VT_BSTR && SysStringLen(value.bstrVal) == 0);
}

}  // namespace

HRESULT DnsClient::Query(const VARIANT &recordName, const VARIANT &recordType, VARIANT *recordData, const VARIANT &,
                         VARIANT *error)
{
    std::string name;
    LONG type = kDnsTypeA;
    HRESULT hr = TextArgument(recordName, {}, &name);
    if (SUCCEEDED(hr) && !DefaultRecordType(recordType))
        hr = LongArgument(recordType, kDnsTypeA, &type);
    if (SUCCEEDED(hr))
        hr = CheckTextTarget(*recordData);
    if (FAILED(hr))
        return hr;
    SetErrorResult(error, 0);
    char text[kRecordTextCap] = "";
    const int length = DnsFormatRecord(Session(), name.c_str(), type, text, sizeof text);
    // The failure is kept across storing the (empty) text.
    const ErrorCode failure = length < 0 ? GetErrorCode() : 0;
    if (HRESULT stored = StoreText(recordData, std::string_view(text, length > 0 ? length : 0)); FAILED(stored))
        return stored;
    if (length >= 0)
        return S_OK;
    SetErrorResult(error, ErrorNumber(failure));
    return ReportMethodError(failure);
}

// A reference to a 32-bit integer receives the address as a number in network order; anything else
// its dotted text.
HRESULT DnsClient::Resolve(const VARIANT &hostName, VARIANT *hostAddress, const VARIANT &, VARIANT *error)
{
    std::string host;
    if (HRESULT hr = TextArgument(hostName, DefaultHost(), &host); FAILED(hr))
        return hr;
    const bool asNumber = hostAddress->vt == (VT_BYREF | VT_I4);
    if (!asNumber)
        if (HRESULT hr = CheckTextTarget(*hostAddress); FAILED(hr))
            return hr;
    SetErrorResult(error, 0);
    char text[kDottedAddressCap];
    if (DnsGetHostAddressText(Session(), host.c_str(), text, sizeof text) < 0) {
        SetErrorResult(error, ErrorNumber(GetErrorCode()));
        return ReportError(0, throwError_, false);
    }
    if (!asNumber)
        return StoreText(hostAddress, text);
    // The broadcast address, the one text the parser refuses, is the same value as its failure.
    *hostAddress->plVal = static_cast<LONG>(ParseDottedAddress(text));
    return S_OK;
}

HRESULT DnsClient::MatchHost(const VARIANT &hostName, const VARIANT &hostMask, const VARIANT &resolve, VARIANT *result)
{
    std::string host, masks;
    bool other = true;
    HRESULT hr = TextArgument(hostName, DefaultHost(), &host);
    if (SUCCEEDED(hr))
        hr = TextArgument(hostMask, {}, &masks);
    if (SUCCEEDED(hr))
        hr = BoolArgument(resolve, true, &other);
    if (FAILED(hr))
        return hr;
    const bool matched = DnsMatchHost(Session(), host.c_str(), masks.c_str(), other) == 1;
    VariantClear(result);
    result->vt = VT_BOOL;
    result->boolVal = matched ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace qs::dns
