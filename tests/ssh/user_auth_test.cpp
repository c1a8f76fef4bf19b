// User authentication against scripted server answers: each case is the server's packets in order and
// every message the client sends in return, written out as text, with the result it ends in.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/error/last_error.h"
#include "ssh/engine/user_auth.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/text_link.h"

namespace qs::ssh {
namespace {

using test::Bytes;
using test::Message;
using test::TextLink;
using Result = SshUserAuth::Result;

Bytes Accept()
{
    return Message(kMsgServiceAccept, [](WireWriter &w) { w.String(std::string_view("ssh-userauth")); });
}
Bytes Failure(std::string_view methods, bool partial = false)
{
    return Message(kMsgUserauthFailure, [&](WireWriter &w) {
        w.String(methods);
        w.Bool(partial);
    });
}
Bytes Success()
{
    return Message(kMsgUserauthSuccess);
}
Bytes Banner(const std::string &text)
{
    return Message(kMsgUserauthBanner, [&](WireWriter &w) {
        w.String(std::string_view(text));
        w.String(std::string_view("en"));
    });
}
Bytes ChangeRequest()
{
    return Message(kMsgUserauthPasswdChangeReq, [](WireWriter &w) {
        w.String(std::string_view("Your password has expired"));
        w.String(std::string_view("en"));
    });
}
Bytes ServiceRefused()
{
    return Message(kMsgUnimplemented);  // as a server without the service might answer
}

struct Case {
    const char *name;
    std::vector<Bytes> server;
    std::vector<std::string> sent;
    Result result;
    std::uint32_t error;  // the error number once it ends, 0 for none
};

const std::string kNone = "USERAUTH_REQUEST alice ssh-connection none";
const std::string kPassword = "USERAUTH_REQUEST alice ssh-connection password FALSE s3cret [hidden]";
const std::string kChange = "USERAUTH_REQUEST alice ssh-connection password TRUE s3cret new='' [hidden]";
const std::string kUserauth = "SERVICE_REQUEST ssh-userauth";

const Case kCases[] = {
    {"none_accepted_sends_no_password", {Accept(), Success()}, {kUserauth, kNone}, Result::Authenticated, 0},
    {"password_accepted_with_banners_around",
     {Accept(), Banner("Welcome\r\n"), Failure("publickey,password"), Banner("Last login"), Success()},
     {kUserauth, kNone, kPassword}, Result::Authenticated, 0},
    {"wrong_password_is_sent_once_then_disconnect_13",
     {Accept(), Failure("publickey,password"), Failure("publickey,password")},
     {kUserauth, kNone, kPassword, "DISCONNECT 13 User authentication failed"}, Result::Disconnected,
     qsErrorAuthenticationFailed},
    {"partial_success_counts_as_a_failure",
     {Accept(), Failure("password", true), Failure("password", true)},
     {kUserauth, kNone, kPassword, "DISCONNECT 13 User authentication failed"}, Result::Disconnected,
     qsErrorAuthenticationFailed},
    {"no_password_method_disconnects_with_14",
     {Accept(), Failure("publickey,keyboard-interactive")},
     {kUserauth, kNone, "DISCONNECT 14 No supported authentication methods"}, Result::Disconnected,
     qsErrorAuthenticationFailed},
    {"method_names_match_whole_items_only",
     {Accept(), Failure("password-ish,xpassword")},
     {kUserauth, kNone, "DISCONNECT 14 No supported authentication methods"}, Result::Disconnected,
     qsErrorAuthenticationFailed},
    {"change_request_gets_old_password_and_empty_new",
     {Accept(), Failure("password"), ChangeRequest(), Success()},
     {kUserauth, kNone, kPassword, kChange}, Result::Authenticated, 0},
    {"failure_after_change_request_ends_in_13",
     {Accept(), Failure("password"), ChangeRequest(), Failure("password")},
     {kUserauth, kNone, kPassword, kChange, "DISCONNECT 13 User authentication failed"}, Result::Disconnected,
     qsErrorAuthenticationFailed},
    {"connection_service_accepted_means_no_authentication",
     {ServiceRefused(), Accept()},
     {kUserauth, "SERVICE_REQUEST ssh-connection"}, Result::Authenticated, 0},
    {"both_services_refused_stops_without_sending",
     {ServiceRefused(), ServiceRefused(), Success()},
     {kUserauth, "SERVICE_REQUEST ssh-connection"}, Result::Stopped, 0},
    {"malformed_failure_is_a_protocol_error",
     {Accept(), Message(kMsgUserauthFailure, [](WireWriter &w) { w.U32(99); })},
     {kUserauth, kNone, "DISCONNECT 2 Malformed authentication failure"}, Result::Disconnected,
     qsErrorInvalidServerResponse},
    {"unrelated_messages_while_waiting_are_ignored",
     {Accept(), Message(kMsgGlobalRequest), Failure("password"), Message(kMsgUserauthPasswdChangeReq + 1), Success()},
     {kUserauth, kNone, kPassword}, Result::Authenticated, 0},
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.name;
}

class UserAuthTest : public ::testing::TestWithParam<Case> {};

TEST_P(UserAuthTest, SendsWhatThePasswordOnlyMachineSends)
{
    const Case &c = GetParam();
    TextLink link;
    SshUserAuth auth(link, "alice", "s3cret");
    ASSERT_EQ(auth.Start(), Result::Waiting);
    Result result = Result::Waiting;
    for (const Bytes &packet : c.server)
        result = auth.Handle(IncomingPacket{packet[0], packet, 0});
    EXPECT_EQ(link.sent, c.sent);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(ErrorNumber(auth.Error()), c.error);
    EXPECT_EQ(auth.State().passwordCopy.size(), 0u) << "the copy is wiped once the password is answered";
    EXPECT_TRUE(auth.State().banner.empty()) << "banners are dropped before each decision";
}

INSTANTIATE_TEST_SUITE_P(Answers, UserAuthTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(UserAuthStartTest, RefusesBadCredentialsBeforeSendingAnything)
{
    struct Start {
        std::string user, password;
        std::uint32_t error;
    };
    for (const Start &s : {Start{"", "pw", qsErrorInvalidUserName}, Start{std::string(101, 'u'), "pw", qsErrorInvalidUserName},
                           Start{"alice", "", qsErrorInvalidPassword}}) {
        TextLink link;
        SshUserAuth auth(link, s.user, s.password);
        EXPECT_EQ(auth.Start(), Result::Stopped);
        EXPECT_EQ(ErrorNumber(GetErrorCode()), s.error);
        EXPECT_TRUE(link.sent.empty());
    }
}

// A server sending banner after banner cannot grow the buffer without bound.
TEST(UserAuthBannerTest, BannerTextIsBoundedWhileWaiting)
{
    TextLink link;
    SshUserAuth auth(link, "alice", "s3cret");
    auth.Start();
    auth.Handle(IncomingPacket{kMsgServiceAccept, Accept(), 0});
    const Bytes banner = Banner(std::string(100000, 'b'));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(auth.Handle(IncomingPacket{kMsgUserauthBanner, banner, 0}), Result::Waiting);
    EXPECT_LE(auth.State().banner.size(), kMaxBannerBytes + 1);
    EXPECT_EQ(link.sent.size(), 2u);
}

}  // namespace
}  // namespace qs::ssh
