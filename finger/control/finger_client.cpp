// The finger control's own behaviour: Connect with the query, Disconnect, Read, UserName and Reset.
#include "finger/control/finger_client.h"

namespace qs::finger {

HRESULT FingerClient::get_UserName(BSTR *value)
{
    if (HRESULT hr = CheckGet(); FAILED(hr))
        return hr;
    return TextResult(userName_, value);
}

HRESULT FingerClient::put_UserName(BSTR value)
{
    userName_ = automation::Utf8FromBstr(value);
    return S_OK;
}

HRESULT FingerClient::Connect(const VARIANT &remoteHost, const VARIANT &remotePort, const VARIANT &userName,
                              const VARIANT &timeout, const VARIANT &options, VARIANT *error)
{
    AutoInitialize();
    std::string host;
    std::string user;
    LONG port = 0;
    LONG seconds = 0;
    LONG flags = 0;
    HRESULT hr = TextArgument(remoteHost, DefaultHost(), &host);
    if (SUCCEEDED(hr))
        hr = LongArgument(remotePort, remotePort_, &port);
    if (SUCCEEDED(hr))
        hr = TextArgument(userName, userName_, &user);
    if (SUCCEEDED(hr))
        hr = LongArgument(timeout, timeout_, &seconds);
    if (SUCCEEDED(hr))
        hr = LongArgument(options, 0, &flags);
    if (FAILED(hr))
        return hr;

    bool opened = false;
    hr = OpenSession(host, port, seconds, flags, error, &opened);
    if (!opened)
        return hr;
    userName_ = user;
    // Asynchronously the query goes once the Connect event arrives (OnSessionConnected).
    if (!blocking_)
        return S_OK;
    connected_ = true;
    if (FingerSendQuery(handle_, userName_.c_str()) != 0)
        return FailMethod(error);
    return S_OK;
}

void FingerClient::OnSessionConnected()
{
    // An OnConnect handler may have ended the session: the query then fails with 10057.
    if (FingerSendQuery(handle_, userName_.c_str()) != 0)
        ReportError(0, false, true);
}

HRESULT FingerClient::Disconnect(VARIANT *error)
{
    SetErrorResult(error, 0);
    EndSession();
    return S_OK;
}

HRESULT FingerClient::Read(VARIANT *buffer, const VARIANT &length, VARIANT *error)
{
    return ReadSession(buffer, length, error);
}

void FingerClient::ResetOwnState()
{
    ResetSessionState();
    enabled_ = true;
    userName_.clear();
}

}  // namespace qs::finger
