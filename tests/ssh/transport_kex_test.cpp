// Whole key exchanges in memory: a scripted server (group1, ssh-rsa with a test key) takes the client
// through the first exchange and a re-keying it starts itself, with the packets after NEWKEYS protected
// in both directions.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "core/error/last_error.h"
#include "ssh/algorithms/hash.h"
#include "ssh/engine/key_derivation.h"
#include "ssh/engine/transport.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/test_keys.h"
#include "tests/ssh/test_signing.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::FromText;

class Recorder : public TransportEvents {
public:
    void Write(ByteView bytes) override { out.insert(out.end(), bytes.begin(), bytes.end()); }
    void KeysReady() override { ++ready; }
    void Message(const IncomingPacket &packet) override { messages.push_back(packet.type); }
    void Failed(ErrorCode code) override { error = code; }

    Bytes out;
    int ready = 0;
    std::vector<std::uint8_t> messages;
    ErrorCode error = 0;
};

Bytes Join(std::initializer_list<std::function<void(WireWriter &)>> parts)
{
    Bytes out;
    WireWriter w(out, 1 << 20);
    for (const auto &part : parts)
        part(w);
    return out;
}

class ScriptedServer {
public:
    explicit ScriptedServer(std::string cipher)
        : cipher_(std::move(cipher)), key_(test::LoadPrivate(test::kRsaPrivatePem)) {}
    ~ScriptedServer() { EVP_PKEY_free(key_); }

    // The client's next packet as the server reads it; empty when none is complete.
    Bytes Read(Recorder &client)
    {
        if (read_ == 0) {
            const std::string text(client.out.begin(), client.out.end());
            clientLine_ = text.substr(0, text.find("\r\n"));
            read_ = clientLine_.size() + 2;
        }
        Bytes payload;
        std::size_t consumed = 0;
        const auto status = in_.Feed(ByteView(client.out).subspan(read_), consumed, payload);
        read_ += consumed;
        return status == PacketReader::Status::Packet ? payload : Bytes{};
    }
    // The next packet that is not an IGNORE.
    Bytes ReadMessage(Recorder &client)
    {
        Bytes p = Read(client);
        while (!p.empty() && p[0] == kMsgIgnore) {
            ++ignores;
            p = Read(client);
        }
        return p;
    }
    void Send(SshTransport &client, const Bytes &payload)
    {
        Bytes wire;
        ASSERT_TRUE(out_.Seal(payload, wire));
        client.Receive(wire);
    }

    // One whole exchange started by the server's KEXINIT; `midway` runs once the client has answered it.
    void Exchange(SshTransport &client, Recorder &events, const std::function<void()> &midway = {})
    {
        const Bytes serverKexInit = Join({[](WireWriter &w) {
            w.U8(kMsgKexInit);
            w.Bytes(Bytes(16, 7));
        }, [this](WireWriter &w) {
            using std::string_view;
            const string_view cipher = cipher_;
            for (string_view l : {string_view("diffie-hellman-group1-sha1"), string_view("ssh-rsa"), cipher, cipher,
                                  string_view("hmac-sha1"), string_view("hmac-sha1"), string_view("none"),
                                  string_view("none"), string_view(), string_view()})
                w.String(l);
            w.Bool(false);
            w.U32(0);
        }});
        Send(client, serverKexInit);
        const Bytes clientKexInit = ReadMessage(events);
        ASSERT_FALSE(clientKexInit.empty());
        ASSERT_EQ(clientKexInit[0], kMsgKexInit);

        const Bytes init = ReadMessage(events);
        ASSERT_FALSE(init.empty());
        if (midway)
            midway();
        ASSERT_EQ(init[0], kMsgKexDhInit);
        WireReader r(ByteView(init).subspan(1));
        ByteView e;
        ASSERT_TRUE(r.Mpint(e) && r.Finish());
        auto dh = DiffieHellman::Create(DhFixedGroup::Group1);
        Bytes f;
        SecureBytes k;
        ASSERT_TRUE(dh->GenerateKey(160, f));
        ASSERT_TRUE(dh->ComputeSecret(e, k));

        const Bytes hostKey = test::FromBase64(test::kRsaPublicBase64);
        const Bytes hashInput = Join({[&](WireWriter &w) {
            w.String(std::string_view(clientLine_));
            w.String(std::string_view(kServerLine));
            w.String(clientKexInit);
            w.String(serverKexInit);
            w.String(hostKey);
            w.Mpint(e);
            w.Mpint(f);
            w.Mpint(k.View());
        }});
        auto hash = HashContext::Create(kSha1);
        Bytes h(20);
        ASSERT_TRUE(hash->Update(hashInput) && hash->Finish(h));
        if (sessionId.empty())
            sessionId = h;
        const Bytes signature = Join({[&](WireWriter &w) {
            w.String(std::string_view("ssh-rsa"));
            w.String(test::SignSha1(key_, h));
        }});
        Send(client, Join({[&](WireWriter &w) {
            w.U8(kMsgKexDhReply);
            w.String(hostKey);
            w.Mpint(f);
            w.String(signature);
        }}));
        ASSERT_EQ(ReadMessage(events), Bytes{kMsgNewKeys});

        const DerivationInput input{&kSha1, k.View(), h, sessionId, false};
        const SshCipher &cipher = *FindCipher(cipher_);
        const SshMac &mac = *FindMac(MacList::Normal, "hmac-sha1");
        const auto keyed = [&](char ivLetter, char keyLetter, char macLetter, CipherDirection direction,
                               std::unique_ptr<CipherContext> &c, std::unique_ptr<MacContext> &m) {
            SecureBytes iv, key, macKey;
            ASSERT_TRUE(DeriveKey(input, ivLetter, iv) && DeriveKey(input, keyLetter, key) &&
                        DeriveKey(input, macLetter, macKey));
            c = CreateCipher(cipher, direction);
            m = CreateMac(mac);
            ASSERT_TRUE(c && c->SetKey(key.View()) && c->SetIv(iv.View()) && m && m->SetKey(macKey.View()));
        };
        IncomingKeys fromClient;
        keyed('A', 'C', 'E', CipherDirection::Decrypt, fromClient.cipher, fromClient.mac);
        in_.Install(std::move(fromClient));
        Send(client, Bytes{kMsgNewKeys});
        OutgoingKeys toClient;
        keyed('B', 'D', 'F', CipherDirection::Encrypt, toClient.cipher, toClient.mac);
        out_.Install(std::move(toClient));
    }

    static constexpr const char *kServerLine = "SSH-2.0-Scripted_1.0";
    Bytes sessionId;
    int ignores = 0;

private:
    std::string cipher_;
    EVP_PKEY *key_;
    std::string clientLine_;
    std::size_t read_ = 0;
    PacketReader in_;
    PacketWriter out_;
};

Bytes ServiceRequest()
{
    return Join({[](WireWriter &w) {
        w.U8(kMsgServiceRequest);
        w.String(std::string_view("ssh-userauth"));
    }});
}

// A client through its first exchange with the scripted server, keys installed on both sides.
class TransportKexTest : public ::testing::TestWithParam<const char *> {
protected:
    void FirstExchange()
    {
        client.Receive(FromText(std::string(ScriptedServer::kServerLine) + "\r\n"));
        ASSERT_NO_FATAL_FAILURE(server.Exchange(client, events));
    }

    Recorder events;
    SshTransport client{TransportConfig{}, events};
    ScriptedServer server{GetParam()};
};

TEST_P(TransportKexTest, FirstExchangeThenServerRekeyWithHeldPackets)
{
    ASSERT_NO_FATAL_FAILURE(FirstExchange());
    ASSERT_EQ(events.ready, 1) << std::hex << events.error;
    EXPECT_FALSE(client.KexInProgress());
    EXPECT_EQ(client.Kex().Fingerprint(), test::kRsaFingerprint);

    // Protected both ways.
    ASSERT_TRUE(client.Send(ServiceRequest()));
    EXPECT_EQ(server.ReadMessage(events), ServiceRequest());
    server.Send(client, Join({[](WireWriter &w) {
        w.U8(kMsgServiceAccept);
        w.String(std::string_view("ssh-userauth"));
    }}));
    EXPECT_EQ(events.messages, std::vector<std::uint8_t>{kMsgServiceAccept});

    // The server re-keys; what the client sends meanwhile waits for the new keys.
    const int ignoresBefore = server.ignores;
    ASSERT_NO_FATAL_FAILURE(server.Exchange(client, events, [&] {
        EXPECT_TRUE(client.KexInProgress());
        ASSERT_TRUE(client.Send(ServiceRequest()));
        EXPECT_EQ(client.HeldPackets(), 1u);
    }));
    ASSERT_EQ(events.error, 0u);
    EXPECT_EQ(client.HeldPackets(), 0u);
    EXPECT_EQ(client.KeyExchanges(), 2);
    EXPECT_EQ(events.ready, 1) << "keys-ready is reported for the first exchange only";
    EXPECT_EQ(ByteView(client.Kex().SessionId()).size(), 20u);
    EXPECT_TRUE(std::equal(server.sessionId.begin(), server.sessionId.end(), client.Kex().SessionId().begin()));
    EXPECT_EQ(server.ReadMessage(events), ServiceRequest()) << "the held packet, under the new keys";
    const bool cbc = (FindCipher(GetParam())->flags & kCipherFlagCbc) != 0;
    EXPECT_EQ(server.ignores > ignoresBefore, cbc) << "an empty IGNORE leads each batch under CBC only";
}

// A password request goes out followed by random padding, so that the bytes on the wire do not tell the
// password's length; the server reads the request intact and skips the padding as an IGNORE.
TEST_P(TransportKexTest, HiddenSendPadsSoTheWireLengthDoesNotTellThePasswordLength)
{
    ASSERT_NO_FATAL_FAILURE(FirstExchange());
    const std::size_t block = FindCipher(GetParam())->blockSize;
    std::size_t shortest = SIZE_MAX, longest = 0;
    for (std::size_t length : {1, 7, 8, 9, 15, 16, 17, 31, 33, 64, 100}) {
        const Bytes request = Join({[&](WireWriter &w) {
            w.U8(50);
            w.String(std::string_view("user"));
            w.String(std::string_view("ssh-connection"));
            w.String(std::string_view("password"));
            w.Bool(false);
            w.String(std::string(length, 'p'));
        }});
        const std::size_t before = events.out.size();
        ASSERT_TRUE(client.SendHidden(request));
        const std::size_t wire = events.out.size() - before;
        shortest = std::min(shortest, wire);
        longest = std::max(longest, wire);
        EXPECT_EQ(server.ReadMessage(events), request) << length;
        const Bytes padding = server.Read(events);
        ASSERT_FALSE(padding.empty()) << length;
        EXPECT_EQ(padding[0], kMsgIgnore);
        EXPECT_TRUE(server.Read(events).empty()) << "the padding is all that follows";
    }
    EXPECT_GE(shortest, 256u);
    EXPECT_LE(longest - shortest, block) << "lengths 1 to 100 spread over at most one cipher block";

    // A long password still gets padding up to the next step.
    const Bytes big(600, 50);
    const std::size_t before = events.out.size();
    ASSERT_TRUE(client.SendHidden(big));
    EXPECT_GE(events.out.size() - before, 768u);
    EXPECT_EQ(server.ReadMessage(events), big);
    ASSERT_EQ(events.error, 0u);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, TransportKexTest, ::testing::Values("aes128-ctr", "aes256-cbc", "3des-cbc"));

}  // namespace
}  // namespace qs::ssh
