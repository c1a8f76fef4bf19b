// The whois control's own behaviour: Connect with the automatic search, Search, Disconnect, Read,
// Keyword, SearchType, Reset and Uninitialize.
#include "whois/control/whois_client.h"


namespace qs::whois {

using automation::Variant;

HRESULT WhoisClient::get_Keyword(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(keyword_, value);
}

HRESULT WhoisClient::put_Keyword(BSTR value)
{
    keyword_ = automation::Utf8FromBstr(value);
    return S_OK;
}

HRESULT WhoisClient::get_SearchType(LONG *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    *value = searchType_;
    return S_OK;
}

HRESULT WhoisClient::put_SearchType(LONG value)
{
    // Compared unsigned, so negative values are refused as well.
    if (static_cast<ULONG>(value) > kWhoisSearchMailbox)
        return CTL_E_INVALIDPROPERTYVALUE;
    searchType_ = value;
    return S_OK;
}

HRESULT WhoisClient::Search(const VARIANT &keyword, const VARIANT &searchType, VARIANT *error)
{
    std::string text;
    LONG type = 0;
    HRESULT hr = TextArgument(keyword, keyword_, &text);
    if (SUCCEEDED(hr))
        hr = LongArgument(searchType, searchType_, &type);
    if (FAILED(hr))
        return hr;
    SetErrorResult(error, 0);
    if (WhoisSearch(handle_, text.c_str(), type) != 0)
        return FailMethod(error);
    keyword_ = text;
    searchType_ = type;
    searched_ = true;
    return S_OK;
}

HRESULT WhoisClient::Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &timeout,
                             const VARIANT &options, VARIANT *error)
{
    AutoInitialize();
    std::string host;
    LONG port = 0;
    LONG seconds = 0;
    LONG flags = 0;
    HRESULT hr = TextArgument(remoteHost, DefaultHost(), &host);
    if (SUCCEEDED(hr))
        hr = LongArgument(remotePort, remotePort_, &port);
    if (SUCCEEDED(hr))
        hr = LongArgument(timeout, timeout_, &seconds);
    if (SUCCEEDED(hr))
        hr = LongArgument(options, 0, &flags);
    if (FAILED(hr))
        return hr;

    bool opened = false;
    hr = OpenSession(host, port, seconds, flags, error, &opened);
    if (!opened || !blocking_)
        return hr;
    connected_ = true;
    if (!WantsSearch())
        return S_OK;
    const Variant missing = Variant::Missing();
    return Search(missing, missing, error);
}

void WhoisClient::OnSessionConnected()
{
    if (!WantsSearch())
        return;
    const Variant missing = Variant::Missing();
    Variant error;
    Search(missing, missing, &error);
}

void WhoisClient::EndSession()
{
    CloseSession();
    searched_ = false;
}

HRESULT WhoisClient::Disconnect(VARIANT *error)
{
    SetErrorResult(error, 0);
    EndSession();
    return S_OK;
}

HRESULT WhoisClient::Read(VARIANT *buffer, const VARIANT &length, VARIANT *result)
{
    return ReadSession(buffer, length, result);
}

HRESULT WhoisClient::Uninitialize()
{
    UninitializeMethod();
    libraryPath_.clear();
    return S_OK;
}

void WhoisClient::ResetOwnState()
{
    ResetSessionState();
    enabled_ = true;
    searched_ = false;
    keyword_.clear();
    searchType_ = kWhoisSearchAny;
}

}  // namespace qs::whois
