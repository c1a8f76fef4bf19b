// What the proxy network tests share: the socket library started for each test, an owner that records
// the socket's callbacks, and a bounded loop that lets the socket wait for its events.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "core/error/last_error.h"
#include "core/session/session_library.h"
#include "ssh/proxy/proxy_connect.h"

namespace qs::test {

inline SessionLibraryOf<ClientSession> &NetworkLibrary()
{
    static constexpr SessionProfile kProfile{.description = "Quillstream Proxy Test Library"};
    static SessionLibraryOf<ClientSession> library(kProfile);
    return library;
}

class RecordingOwner : public ssh::SshSocketOwner {
public:
    void Receive(ssh::ByteView bytes) override { received.append(bytes.begin(), bytes.end()); }
    void Sent(std::size_t) override { ++sent; }
    void Closing(ErrorCode code) override
    {
        ++closings;
        error = code;
    }

    std::string received;
    int sent = 0;
    int closings = 0;
    ErrorCode error = 0;
};

class ProxyNetworkTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kWaitSliceMs = 200;
    static constexpr int kMaxRounds = 100;  // waits per drive loop, so none runs longer than 20 s

    void SetUp() override { ASSERT_EQ(NetworkLibrary().LibraryInitialize(nullptr, nullptr), 1); }
    void TearDown() override
    {
        socket_.reset();
        NetworkLibrary().LibraryUninitialize();
    }

    // Connects and keeps the socket; false (with the error in the thread's slot) when it fails at once.
    bool Connect(const char *target, int port, const ssh::ProxyConfig &proxy, std::uint32_t timeoutMs = 10000)
    {
        socket_ = ssh::ConnectSshSocket(target, port, proxy, timeoutMs, owner_);
        return socket_ != nullptr;
    }

    // Lets the socket handle its events until `text` has been received or the connection ended.
    void DriveUntilReceived(const std::string &text)
    {
        for (int round = 0; round < kMaxRounds && owner_.closings == 0; ++round) {
            if (owner_.received.find(text) != std::string::npos)
                return;
            ASSERT_GE(socket_->Wait(kWaitSliceMs), 0) << std::hex << GetErrorCode();
        }
    }
    // Lets the socket handle its events until the connection ended.
    void DriveUntilClosed()
    {
        for (int round = 0; round < kMaxRounds && owner_.closings == 0; ++round)
            ASSERT_GE(socket_->Wait(kWaitSliceMs), 0) << std::hex << GetErrorCode();
    }
    // The first line received, without its line end.
    std::string FirstLine() const { return owner_.received.substr(0, owner_.received.find_first_of("\r\n")); }

    static int PeerPort(const char *variable)
    {
        const char *value = std::getenv(variable);
        return value != nullptr ? std::atoi(value) : 0;
    }

    RecordingOwner owner_;
    std::unique_ptr<ssh::SshSocket> socket_;
};

inline ssh::ProxyConfig Proxy(ssh::ProxyType type, int port, std::string user = "", std::string password = "")
{
    return ssh::ProxyConfig{type, "127.0.0.1", port, std::move(user), std::move(password)};
}

inline ssh::ByteView Bytes(const std::string &text)
{
    return ssh::ByteView(reinterpret_cast<const std::uint8_t *>(text.data()), text.size());
}

}  // namespace qs::test
