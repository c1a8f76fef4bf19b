// A ServiceLink that writes down every message the client sends as one line of text, for tests that
// script the server's side message by message.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ssh/engine/messages.h"
#include "ssh/engine/service_link.h"
#include "ssh/wire/wire_writer.h"
#include "tests/ssh/test_bytes.h"

namespace qs::ssh::test {

// A message as the server would send it: the type byte, then what `fields` writes.
inline Bytes Message(std::uint8_t type, const std::function<void(WireWriter &)> &fields = {})
{
    Bytes out;
    WireWriter w(out, 1 << 20);
    w.U8(type);
    if (fields)
        fields(w);
    return out;
}

class TextLink final : public ServiceLink {
public:
    bool Send(ByteView payload) override { return Record(payload, ""); }
    bool SendHidden(ByteView payload) override { return Record(payload, " [hidden]"); }
    void Disconnect(std::uint32_t reason, std::string_view message) override
    {
        sent.push_back("DISCONNECT " + std::to_string(reason) + (message.empty() ? "" : " ") + std::string(message));
    }
    bool Rekey() override
    {
        sent.push_back("REKEY");
        return true;
    }

    std::vector<std::string> sent;

private:
    static std::string Flag(bool value) { return value ? " TRUE" : " FALSE"; }

    bool Record(ByteView payload, const char *how)
    {
        WireReader r(payload);
        std::uint8_t type = 0;
        std::string_view a, b, c, d;
        std::uint32_t x = 0, y = 0, z = 0;
        bool flag = false;
        std::string line;
        if (!r.U8(type)) {
            line = "EMPTY";
        } else if (type == kMsgServiceRequest && r.Text(a)) {
            line = "SERVICE_REQUEST " + std::string(a);
        } else if (type == kMsgUserauthRequest && r.Text(a) && r.Text(b) && r.Text(c)) {
            line = "USERAUTH_REQUEST " + std::string(a) + " " + std::string(b) + " " + std::string(c);
            if (c == "password" && r.Bool(flag) && r.Text(d)) {
                line += Flag(flag) + " " + std::string(d);
                if (flag && r.Text(a))
                    line += " new='" + std::string(a) + "'";
            }
        } else if (type == kMsgIgnore && r.Text(a)) {
            line = "IGNORE '" + std::string(a) + "'";
        } else if (type == kMsgRequestFailure) {
            line = "REQUEST_FAILURE";
        } else if (type == kMsgChannelOpen && r.Text(a) && r.U32(x) && r.U32(y) && r.U32(z)) {
            line = "CHANNEL_OPEN " + std::string(a) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                   std::to_string(z);
        } else if (type == kMsgChannelOpenFailure && r.U32(x) && r.U32(y) && r.Text(a) && r.Text(b)) {
            line = "OPEN_FAILURE " + std::to_string(x) + " " + std::to_string(y) + " " + std::string(a) + " " +
                   std::string(b);
        } else if (type == kMsgChannelRequest && r.U32(x) && r.Text(a) && r.Bool(flag)) {
            line = "CHANNEL_REQUEST " + std::to_string(x) + " " + std::string(a) + Flag(flag);
            ByteView rest;
            if (r.Bytes(r.Remaining(), rest) && !rest.empty())
                line += " " + ToHex(rest.data(), rest.size());
        } else if (type == kMsgChannelData && r.U32(x) && r.Text(a)) {
            line = "DATA " + std::to_string(x) + " '" + std::string(a) + "'";
        } else if (type == kMsgChannelWindowAdjust && r.U32(x) && r.U32(y)) {
            line = "WINDOW_ADJUST " + std::to_string(x) + " " + std::to_string(y);
        } else if ((type == kMsgChannelEof || type == kMsgChannelClose || type == kMsgChannelSuccess ||
                    type == kMsgChannelFailure) &&
                   r.U32(x)) {
            static const char *const kNames[] = {"EOF", "CLOSE", "", "SUCCESS", "FAILURE"};
            line = std::string(kNames[type - kMsgChannelEof]) + " " + std::to_string(x);
        } else {
            line = "MESSAGE " + std::to_string(type);
        }
        if (!r.Finish())
            line += " +trailing";
        sent.push_back(line + how);
        return true;
    }
};

}  // namespace qs::ssh::test
