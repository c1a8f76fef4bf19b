// The frame's rules for controls with sessions, on the echo test control against the local echo server.
#include <gtest/gtest.h>

#include <optional>

#include "platform/automation/safearray.h"
#include "tests/control/dispatch_driver.h"
#include "tests/control/echo_control.h"
#include "tests/core/peers.h"

namespace qs::test {
namespace {

using automation::Variant;
using Events = std::vector<std::string>;

class SessionFrame : public ::testing::Test {
  protected:
    void SetUp() override
    {
        client_ = new EchoTest;
        driver_.emplace(static_cast<IEchoTest *>(client_));
        client_->Release();
    }
    EchoTest *client_ = nullptr;
    std::optional<DispatchDriver> driver_;
};

TEST_F(SessionFrame, SessionRules)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    // Without a session an invalid handle is reported as no connection.
    Variant count;
    EXPECT_EQ(driver_->Call("Read", {Variant(), Variant(4)}, &count), S_OK);
    EXPECT_EQ(count.lVal, -1);
    EXPECT_EQ(driver_->TakeEvents(), Events{"OnError(10057, No connection established with remote host)"});

    ASSERT_EQ(driver_->Put("RemotePort", Variant(port)), S_OK);
    ASSERT_EQ(driver_->Call("Connect", {Variant("127.0.0.1")}), S_OK);
    const LONG handle = driver_->Long("Handle");
    EXPECT_NE(handle, -1);
    EXPECT_EQ(driver_->Long("State"), 1);  // idle
    EXPECT_NE(driver_->Long("LocalPort"), 0);
    EXPECT_EQ(driver_->Put("RemotePort", Variant(7)), MakeHresult(0x800A017F));
    // The time-out is the session's, which keeps it within 0-600.
    ASSERT_EQ(driver_->Put("Timeout", Variant(700)), S_OK);
    EXPECT_EQ(driver_->Long("Timeout"), 600);

    // Written text comes back through each buffer shape.
    Variant written;
    ASSERT_EQ(driver_->Call("Write", {Variant("hello, world")}, &written), S_OK);
    EXPECT_EQ(written.lVal, 12);
    Variant text;
    ASSERT_EQ(driver_->Call("Read", {Variant::Ref(&text), Variant(5)}, &count), S_OK);
    EXPECT_EQ(count.lVal, 5);
    EXPECT_EQ(text.text(), "hello");
    Variant bytes = Variant::Array(SafeArrayCreateVector(VT_UI1, 0, 7), VT_UI1);
    ASSERT_EQ(driver_->Call("Read", {Variant::Ref(&bytes)}, &count), S_OK);
    EXPECT_EQ(count.lVal, 7);
    EXPECT_EQ(driver_->Call("Read", {Variant::Ref(&bytes), Variant(-1)}), E_INVALIDARG);

    // Frozen events hold an asynchronous session's events back; thawing releases them.
    ASSERT_EQ(EchoLibrary().BindNotificationWindow(handle, client_->EnsureWindow(), kSocketMessage), 0);
    IControl *control = static_cast<IControl *>(client_);
    control->FreezeEvents(TRUE);
    EXPECT_TRUE(EchoLibrary().LookupUnchecked(handle, false)->suspended);
    control->FreezeEvents(TRUE);
    control->FreezeEvents(FALSE);
    EXPECT_TRUE(EchoLibrary().LookupUnchecked(handle, false)->suspended);
    control->FreezeEvents(FALSE);
    EXPECT_FALSE(EchoLibrary().LookupUnchecked(handle, false)->suspended);

    // Reset ends the session and restores the defaults.
    ASSERT_EQ(driver_->Call("Reset"), S_OK);
    EXPECT_EQ(driver_->Long("Handle"), -1);
    EXPECT_EQ(driver_->Long("State"), 0);
    EXPECT_EQ(driver_->Long("Timeout"), 60);
    EXPECT_EQ(EchoLibrary().LookupUnchecked(handle, false), nullptr);
    EXPECT_EQ(driver_->TakeEvents(), Events{});
}

// Destroying a control releases its session.
TEST_F(SessionFrame, DestructionReleasesTheSession)
{
    QS_REQUIRE_PEER(port, "QS_PEER_ECHO_PORT");
    ASSERT_EQ(driver_->Call("Connect", {Variant("127.0.0.1"), Variant(port)}), S_OK);
    const ClientHandle handle = client_->SessionHandle();
    ASSERT_NE(EchoLibrary().LookupUnchecked(handle, false), nullptr);
    driver_.reset();
    EXPECT_EQ(EchoLibrary().LookupUnchecked(handle, false), nullptr);
}

}  // namespace
}  // namespace qs::test
