#include "dns/lib/dns_header.h"

#include "core/error/last_error.h"
#include "dns/lib/dns_message.h"
#include "dns/lib/dns_name.h"

namespace qs {
namespace {

struct Question {
    char name[kDnsNameTextSize];
    std::uint16_t type;
    std::uint16_t qclass;
};

// Reads the header and the only question of a message.
bool ReadSoleQuestion(std::span<const std::uint8_t> message, DnsHeader *header, Question *question)
{
    DnsReader reader(message);
    return DnsReadHeader(reader, header) && header->questions == 1 &&
           reader.Name(question->name, sizeof question->name) && reader.U16(&question->type) &&
           reader.U16(&question->qclass);
}

}  // namespace

bool DnsHeader::IsResponse() const { return (flags & kDnsFlagResponse) != 0; }
bool DnsHeader::IsTruncated() const { return (flags & kDnsFlagTruncated) != 0; }
bool DnsHeader::IsAuthoritative() const { return (flags & kDnsFlagAuthoritative) != 0; }
int DnsHeader::Rcode() const { return flags & kDnsRcodeMask; }

bool DnsReadHeader(DnsReader &reader, DnsHeader *header)
{
    if (reader.Remaining() < kDnsHeaderSize)
        return false;
    return reader.U16(&header->id) && reader.U16(&header->flags) && reader.U16(&header->questions) &&
           reader.U16(&header->answers) && reader.U16(&header->authorities) && reader.U16(&header->additionals);
}

bool DnsSkipQuestions(DnsReader &reader, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (!reader.SkipName() || !reader.Skip(4))
            return false;
    return true;
}

bool DnsReadRecord(DnsReader &reader, DnsRecord *record, char *owner, std::size_t ownerCapacity)
{
    DnsReader start = reader;
    record->owner = reader.Position();
    bool named = owner != nullptr ? reader.Name(owner, ownerCapacity) : reader.SkipName();
    std::uint16_t length = 0;
    if (named && reader.U16(&record->type) && reader.U16(&record->rclass) && reader.U32(&record->ttl) &&
        reader.U16(&length) && reader.Take(length, &record->data))
        return true;
    reader = start;
    return false;
}

bool DnsOpenAnswers(std::span<const std::uint8_t> message, DnsHeader *header, DnsReader *answers)
{
    DnsReader reader(message);
    if (!DnsReadHeader(reader, header) || !DnsSkipQuestions(reader, header->questions)) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return false;
    }
    *answers = reader;
    return true;
}

void DnsSetMessageId(std::span<std::uint8_t> message, std::uint16_t id)
{
    if (message.size() >= 2) {
        message[0] = static_cast<std::uint8_t>(id >> 8);
        message[1] = static_cast<std::uint8_t>(id);
    }
}

bool DnsClassifyReply(std::span<const std::uint8_t> reply)
{
    DnsReader reader(reply);
    DnsHeader header;
    if (!DnsReadHeader(reader, &header)) {
        SetErrorCode(qsErrorInvalidServerResponse);
        return false;
    }
    int rcode = header.Rcode();
    if (rcode == 0 && header.answers != 0)
        return true;
    if (rcode == 0)
        SetErrorCode(qsErrorNoServerResponse);
    else if (rcode == 1 || rcode == 2)
        SetErrorCode(qsErrorInvalidServerResponse);
    else if (rcode == 3)
        SetErrorCode(qsErrorHostNameNotFound);
    else
        SetErrorCode(qsErrorHostNameRefused);
    return false;
}

bool DnsReplyAnswersQuery(std::span<const std::uint8_t> reply, std::span<const std::uint8_t> query)
{
    DnsHeader replyHeader, queryHeader;
    Question asked, answered;
    return ReadSoleQuestion(query, &queryHeader, &asked) && ReadSoleQuestion(reply, &replyHeader, &answered) &&
           replyHeader.IsResponse() &&
           (replyHeader.flags & kDnsFlagOpcodeMask) == (queryHeader.flags & kDnsFlagOpcodeMask) &&
           answered.type == asked.type && answered.qclass == asked.qclass && DnsSameName(answered.name, asked.name);
}

}  // namespace qs
