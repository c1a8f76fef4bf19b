#include "tests/dns/scripted_dns_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "dns/lib/dns_header.h"
#include "dns/lib/dns_message.h"
#include "tests/dns/message_builder.h"

namespace qs::test {
namespace {

constexpr int kPollMs = 20;

int Bind(const char *address, int port)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address, &local.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int PortOf(int fd)
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length);
    return ntohs(local.sin_port);
}

bool ReadQuestion(const std::uint8_t *data, std::size_t size, Question *question)
{
    DnsReader reader(std::span(data, size));
    DnsHeader header;
    char name[kDnsNameTextSize];
    std::uint16_t qclass = 0;
    if (!DnsReadHeader(reader, &header) || header.questions != 1 || !reader.Name(name, sizeof name) ||
        !reader.U16(&question->type) || !reader.U16(&qclass))
        return false;
    question->id = header.id;
    question->name = name;
    return true;
}

}  // namespace

ScriptedDnsServer::ScriptedDnsServer(const char *address, Script script) : script_(std::move(script))
{
    fd_ = Bind(address, 0);
    forger_ = Bind(address, 0);
    port_ = fd_ >= 0 ? PortOf(fd_) : 0;
    thread_ = std::thread([this] { Serve(); });
}

ScriptedDnsServer::~ScriptedDnsServer()
{
    stop_ = true;
    thread_.join();
    ::close(fd_);
    ::close(forger_);
}

std::vector<Question> ScriptedDnsServer::questions()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

void ScriptedDnsServer::Serve()
{
    while (!stop_ && fd_ >= 0) {
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, kPollMs) != 1)
            continue;
        std::uint8_t query[kDnsMessageSize];
        sockaddr_in client{};
        socklen_t length = sizeof client;
        const ssize_t n = ::recvfrom(fd_, query, sizeof query, 0, reinterpret_cast<sockaddr *>(&client), &length);
        Question question;
        if (n <= 0 || !ReadQuestion(query, static_cast<std::size_t>(n), &question))
            continue;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            questions_.push_back(question);
        }
        for (const Datagram &d : script_(question)) {
            if (d.delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(d.delayMs));
            if (stop_)
                return;
            ::sendto(d.forged ? forger_ : fd_, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr *>(&client),
                     length);
        }
    }
}

ScriptedDnsServer::Script RepliesWith(std::uint16_t flags)
{
    return [flags](const Question &q) { return std::vector<Datagram>{{ReplyTo(q, flags)}}; };
}

ScriptedDnsServer::Script AnswersWith(std::uint32_t address)
{
    return [address](const Question &q) { return std::vector<Datagram>{{AddressReply(q, address)}}; };
}

ScriptedDnsServer::Script Silent()
{
    return [](const Question &) { return std::vector<Datagram>{}; };
}

std::vector<std::uint8_t> ReplyTo(const Question &question, std::uint16_t flags)
{
    return MessageBuilder(flags, question.id).Question(question.name.c_str(), question.type).Build();
}

std::vector<std::uint8_t> AddressReply(const Question &question, std::uint32_t address)
{
    MessageBuilder reply(0x8580, question.id);
    reply.Question(question.name.c_str(), question.type).Record(question.name.c_str(), kDnsTypeA).U32(address);
    return reply.Build();
}

}  // namespace qs::test
