// The message header, the question section and resource-record framing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "dns/lib/dns_reader.h"

namespace qs {

struct DnsHeader {
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::uint16_t questions = 0;
    std::uint16_t answers = 0;
    std::uint16_t authorities = 0;
    std::uint16_t additionals = 0;

    bool IsResponse() const;
    bool IsTruncated() const;
    bool IsAuthoritative() const;
    int Rcode() const;
};

// One resource record: the owner name's position, the fixed fields and a reader over its data.
struct DnsRecord {
    std::size_t owner = 0;
    std::uint16_t type = 0;
    std::uint16_t rclass = 0;
    std::uint32_t ttl = 0;
    DnsReader data;
};

[[nodiscard]] bool DnsReadHeader(DnsReader &reader, DnsHeader *header);
// Steps over `count` questions (name, type and class).
[[nodiscard]] bool DnsSkipQuestions(DnsReader &reader, std::size_t count);
// Reads the next record; its data must lie inside the message. With `owner`, the owner name is expanded.
[[nodiscard]] bool DnsReadRecord(DnsReader &reader, DnsRecord *record, char *owner = nullptr,
                                 std::size_t ownerCapacity = 0);

// Positions a reader after the header and the question section of `message`; fills `header`.
// Fails with qsErrorInvalidServerResponse.
[[nodiscard]] bool DnsOpenAnswers(std::span<const std::uint8_t> message, DnsHeader *header, DnsReader *answers);

// Puts `id` into a message already built (a query sent again).
void DnsSetMessageId(std::span<std::uint8_t> message, std::uint16_t id);

// Accepts a reply with RCODE 0 and at least one answer record; otherwise fails with the error its reply
// code names (qsErrorNoServerResponse, qsErrorInvalidServerResponse, qsErrorHostNameNotFound,
// qsErrorHostNameRefused).
[[nodiscard]] bool DnsClassifyReply(std::span<const std::uint8_t> reply);

// True when `reply` is a response carrying exactly the question of `query` (name without regard to case,
// type and class). The ID is not compared: an exchange that sends several attempts checks it against all
// of them. Sets no error: a reply that fails this is not ours and is waited past.
bool DnsReplyAnswersQuery(std::span<const std::uint8_t> reply, std::span<const std::uint8_t> query);

}  // namespace qs
