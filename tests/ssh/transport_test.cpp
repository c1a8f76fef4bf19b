// The transport in memory against a scripted server: what it writes after the identification line, its
// dispatch, the group-exchange request, and how it fails on bad input (with an error and a DISCONNECT).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/error/last_error.h"
#include "ssh/engine/transport.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/text_link.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromText;
using test::Message;

class Recorder : public TransportEvents {
public:
    void Write(ByteView bytes) override { out.insert(out.end(), bytes.begin(), bytes.end()); }
    void KeysReady() override { ++ready; }
    void Message(const IncomingPacket &packet) override { messages.push_back(packet.type); }
    void Failed(ErrorCode code) override
    {
        ++failures;
        error = code;
    }

    Bytes out;
    int ready = 0;
    std::vector<std::uint8_t> messages;
    int failures = 0;
    ErrorCode error = 0;
};

Bytes ServerKexInit(std::string_view kex, std::string_view cipher)
{
    return Message(kMsgKexInit, [&](WireWriter &w) {
        w.Bytes(Bytes(16, 1));
        using std::string_view;
        for (string_view list : {kex, string_view("ssh-rsa"), cipher, cipher, string_view("hmac-sha1"),
                                 string_view("hmac-sha1"), string_view("none"), string_view("none")})
            w.String(list);
        w.String(std::string_view());
        w.String(std::string_view());
        w.Bool(false);
        w.U32(0);
    });
}

class TransportTest : public ::testing::Test {
protected:
    void Start(std::string_view serverLine = "SSH-2.0-Scripted_1.0\r\n")
    {
        transport_ = std::make_unique<SshTransport>(config_, events_);
        transport_->Receive(FromText(serverLine));
    }
    // The client's identification line; the packets follow it.
    std::string ClientLine()
    {
        const std::string text(events_.out.begin(), events_.out.end());
        const std::size_t end = text.find("\r\n");
        if (end == std::string::npos)
            return text;
        if (read_ == 0)
            read_ = end + 2;
        return text.substr(0, end);
    }
    // The next packet the client wrote, as the server reads it (no keys: the first exchange is not done).
    bool NextClientPacket(Bytes &payload)
    {
        ClientLine();
        std::size_t consumed = 0;
        const ByteView rest = ByteView(events_.out).subspan(read_);
        const auto status = serverIn_.Feed(rest, consumed, payload);
        read_ += consumed;
        return status == PacketReader::Status::Packet;
    }
    void ServerSend(const Bytes &payload)
    {
        Bytes wire;
        ASSERT_TRUE(serverOut_.Seal(payload, wire));
        transport_->Receive(wire);
    }
    // Runs up to the client's group-exchange request or KEXDH_INIT and returns it.
    Bytes KexTo(std::string_view kex, std::string_view cipher)
    {
        Start();
        Bytes packet;
        EXPECT_TRUE(NextClientPacket(packet));
        EXPECT_EQ(packet[0], kMsgKexInit);
        ServerSend(ServerKexInit(kex, cipher));
        EXPECT_TRUE(NextClientPacket(packet));
        return packet;
    }
    // After a failure: the last thing the client wrote is a DISCONNECT with this reason.
    void ExpectDisconnect(std::uint32_t reason)
    {
        Bytes packet, last;
        while (NextClientPacket(packet))
            last = packet;
        ASSERT_FALSE(last.empty());
        EXPECT_EQ(last[0], kMsgDisconnect);
        WireReader r(ByteView(last).subspan(1));
        std::uint32_t got = 0;
        ASSERT_TRUE(r.U32(got));
        EXPECT_EQ(got, reason);
    }

    TransportConfig config_;
    Recorder events_;
    std::unique_ptr<SshTransport> transport_;
    PacketWriter serverOut_;
    PacketReader serverIn_;
    std::size_t read_ = 0;
};

TEST_F(TransportTest, WritesNothingBeforeTheServerLineThenItsLineAndKexInit)
{
    transport_ = std::make_unique<SshTransport>(config_, events_);
    transport_->Receive(FromText("a banner line\r\nSSH-2.0-Scri"));
    EXPECT_TRUE(events_.out.empty());
    transport_->Receive(FromText("pted\r\n"));
    EXPECT_EQ(ClientLine(), "SSH-2.0-Quillstream_6.0");
    Bytes packet;
    ASSERT_TRUE(NextClientPacket(packet));
    EXPECT_EQ(packet[0], kMsgKexInit);
    EXPECT_EQ(read_, events_.out.size()) << "nothing but the line and KEXINIT";
    EXPECT_TRUE(transport_->KexInProgress());
    EXPECT_EQ(transport_->ServerVersion(), "SSH-2.0-Scripted");
}

TEST_F(TransportTest, ServerWithoutSsh2FailsAtOnceWithoutWriting)
{
    config_.protocolPreference = 3;
    Start("SSH-1.5-old\n");
    EXPECT_TRUE(events_.out.empty());
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorInvalidProtocolVersion));
    EXPECT_TRUE(transport_->Failed());
}

TEST_F(TransportTest, UnknownMessageIsAnsweredWithUnimplementedAndItsSequence)
{
    Start();
    Bytes packet;
    ASSERT_TRUE(NextClientPacket(packet));
    ServerSend(Message(kMsgIgnore, [](WireWriter &w) { w.String(std::string_view("x")); }));  // sequence 0
    ServerSend(Message(kMsgDebug, [](WireWriter &w) {
        w.Bool(true);
        w.String(std::string_view("debug"));
        w.String(std::string_view(""));
    }));                       // sequence 1
    ServerSend(Message(150));  // sequence 2
    ASSERT_TRUE(NextClientPacket(packet));
    EXPECT_EQ(packet, Message(kMsgUnimplemented, [](WireWriter &w) { w.U32(2); }));
    EXPECT_FALSE(transport_->Failed());
}

TEST_F(TransportTest, GroupExchangeRequestFollowsCipherStrengthAndHash)
{
    struct Case {
        const char *kex;
        const char *cipher;
        std::uint32_t bits;
    };
    const Case cases[] = {
        {"diffie-hellman-group-exchange-sha256", "aes256-ctr", 4096},
        {"diffie-hellman-group-exchange-sha1", "aes256-ctr", 2048},  // capped at the hash's 160 bits
        {"diffie-hellman-group-exchange-sha1", "aes128-ctr", 1024},
        {"diffie-hellman-group-exchange-sha1", "3des-cbc", 2048},
        {"diffie-hellman-group-exchange-sha256", "3des-cbc", 2048},
    };
    for (const Case &c : cases) {
        events_ = {};
        read_ = 0;
        serverIn_ = {};
        serverOut_ = {};
        const Bytes request = KexTo(c.kex, c.cipher);
        EXPECT_EQ(request, Message(kMsgKexDhGexRequest, [&](WireWriter &w) {
                      w.U32(1024);
                      w.U32(c.bits);
                      w.U32(8192);
                  })) << c.kex << " " << c.cipher;
    }
}

TEST_F(TransportTest, FixedGroupSendsEBelowThePrime)
{
    const Bytes init = KexTo("diffie-hellman-group1-sha1", "aes128-ctr");
    ASSERT_EQ(init[0], kMsgKexDhInit);
    WireReader r(ByteView(init).subspan(1));
    ByteView e;
    ASSERT_TRUE(r.Mpint(e) && r.Finish());
    EXPECT_LE(e.size(), 128u);
    EXPECT_GT(e.size(), 64u);
}

TEST_F(TransportTest, BadServerGroupFailsTheConnection)
{
    const Bytes request = KexTo("diffie-hellman-group-exchange-sha1", "aes128-ctr");
    ASSERT_EQ(request[0], kMsgKexDhGexRequest);
    const Bytes prime(128, 0xff);
    ServerSend(Message(kMsgKexDhGexGroup, [&](WireWriter &w) {
        w.Mpint(prime);
        w.Mpint(Bytes{1});  // a generator of 1 would make every secret the same
    }));
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorInvalidServerResponse));
    ExpectDisconnect(kDisconnectKeyExchangeFailed);
    EXPECT_FALSE(transport_->Receive(Message(kMsgIgnore)));
}

TEST_F(TransportTest, ServerPublicValueOutOfRangeFailsTheConnection)
{
    KexTo("diffie-hellman-group1-sha1", "aes128-ctr");
    ServerSend(Message(kMsgKexDhReply, [](WireWriter &w) {
        w.String(std::string_view("key"));
        w.Mpint(Bytes{1});
        w.String(std::string_view("signature"));
    }));
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorInvalidServerResponse));
    ExpectDisconnect(kDisconnectKeyExchangeFailed);
}

TEST_F(TransportTest, UnexpectedMessageDuringKeyExchangeFailsTheConnection)
{
    Start();
    Bytes packet;
    ASSERT_TRUE(NextClientPacket(packet));
    ServerSend(Message(kMsgNewKeys));
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorUnexpectedServerResponse));
    ExpectDisconnect(kDisconnectProtocolError);
}

TEST_F(TransportTest, NoCommonAlgorithmFailsTheConnection)
{
    Start();
    Bytes packet;
    ASSERT_TRUE(NextClientPacket(packet));
    ServerSend(ServerKexInit("curve25519-sha256", "aes128-ctr"));
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorProtocolNotSupported));
    ExpectDisconnect(kDisconnectKeyExchangeFailed);
}

TEST_F(TransportTest, OversizedPacketFailsTheConnection)
{
    Start();
    Bytes packet;
    ASSERT_TRUE(NextClientPacket(packet));
    // packet_length 35001, padding 4.
    transport_->Receive(Bytes{0x00, 0x00, 0x88, 0xb9, 0x04, 0x00, 0x00, 0x00});
    EXPECT_EQ(events_.failures, 1);
    EXPECT_EQ(events_.error, MakeErrorCode(qsErrorInvalidPacketSize));
    ExpectDisconnect(kDisconnectProtocolError);
}

TEST_F(TransportTest, ConnectionLayerPacketsAreHeldDuringKeyExchange)
{
    Start();
    const std::size_t written = events_.out.size();
    EXPECT_TRUE(transport_->Send(Message(kMsgServiceRequest, [](WireWriter &w) { w.String(std::string_view("x")); })));
    EXPECT_EQ(transport_->HeldPackets(), 1u);
    EXPECT_EQ(events_.out.size(), written);
}

TEST_F(TransportTest, DisconnectSendsReasonAndEnds)
{
    Start();
    transport_->Disconnect(kDisconnectByApplication, "bye");
    ExpectDisconnect(kDisconnectByApplication);
    EXPECT_TRUE(transport_->Closed());
    EXPECT_FALSE(transport_->Send(Message(kMsgIgnore)));
}

}  // namespace
}  // namespace qs::ssh
