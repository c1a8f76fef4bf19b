// Builds reply messages for the codec tests, with the codec's own writer and compressing name encoder.
// Counts follow what was added unless set by hand (messages whose counts lie).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "dns/lib/dns_message.h"
#include "dns/lib/dns_name.h"
#include "dns/lib/dns_writer.h"

namespace qs::test {

class MessageBuilder {
public:
    explicit MessageBuilder(std::uint16_t flags = 0x8180, std::uint16_t id = 0x1234);
    MessageBuilder(const MessageBuilder &) = delete;  // the writer points into this object
    MessageBuilder &operator=(const MessageBuilder &) = delete;

    MessageBuilder &Question(const char *name, std::uint16_t type, std::uint16_t qclass = kDnsClassInternet);
    // Starts a record in the answer section; its data follows through the putters until the next
    // record or Build().
    MessageBuilder &Record(const char *owner, std::uint16_t type, std::uint16_t rclass = kDnsClassInternet);
    MessageBuilder &Name(const char *name);
    MessageBuilder &U8(std::uint8_t value);
    MessageBuilder &U16(std::uint16_t value);
    MessageBuilder &U32(std::uint32_t value);
    MessageBuilder &Bytes(std::initializer_list<std::uint8_t> bytes);
    MessageBuilder &String(std::string_view text);  // a character string: length octet and text
    MessageBuilder &Counts(int questions, int answers);
    // Makes the record data length of the record being built claim `extra` more octets than it has.
    MessageBuilder &LengthLies(int extra);

    std::vector<std::uint8_t> Build();

private:
    void EndRecord();

    std::uint8_t buffer_[8192] = {};
    DnsWriter writer_{buffer_};
    DnsNameTable table_;
    int questions_ = 0;
    int answers_ = 0;
    int forcedQuestions_ = -1;
    int forcedAnswers_ = -1;
    std::size_t lengthAt_ = 0;  // position of the open record's data length, 0 when none
    int lengthExtra_ = 0;
};

}  // namespace qs::test
