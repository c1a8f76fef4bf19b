#include "ssh/engine/negotiation.h"

#include <array>
#include <string>

#include "core/error/last_error.h"
#include "ssh/algorithms/random.h"
#include "ssh/wire/name_list.h"
#include "ssh/wire/wire_writer.h"

namespace qs::ssh {
namespace {

constexpr std::size_t kCookieBytes = 16;

template <typename T, typename NameOf>
std::string JoinNames(const std::vector<const T *> &items, NameOf name)
{
    std::string list;
    for (const T *item : items) {
        if (!list.empty())
            list += ',';
        list += name(*item);
    }
    return list;
}

// The first client item whose name is an item of the server's list.
template <typename T, typename NameOf>
const T *FirstCommon(const std::vector<const T *> &items, std::string_view serverList, NameOf name)
{
    for (const T *item : items) {
        if (NameListContains(serverList, name(*item)))
            return item;
    }
    return nullptr;
}

std::array<const SshCompression *, 2> CompressionOrder(bool zlibFirst)
{
    const SshCompression *none = FindCompression("none");
    const SshCompression *zlib = FindCompression("zlib");
    if (zlibFirst)
        return {zlib, none};
    return {none, zlib};
}

const SshCompression *ChooseCompression(bool zlibFirst, std::string_view serverList)
{
    for (const SshCompression *c : CompressionOrder(zlibFirst)) {
        if (NameListContains(serverList, c->wireName))
            return c;
    }
    return nullptr;
}

bool Fail(ErrorCode code)
{
    SetErrorCode(code);
    return false;
}

}  // namespace

bool BuildKexInit(const AlgorithmOffer &offer, std::vector<std::uint8_t> &payload)
{
    std::array<std::uint8_t, kCookieBytes> cookie{};
    if (!RandomFill(cookie))
        return false;
    const std::string kex = JoinNames(offer.kex, [](const SshKex &k) { return k.wireName; });
    const std::string hostKeys = JoinNames(offer.hostKeys, [](const SshHostKey &h) { return h.name; });
    const std::string ciphers = JoinNames(offer.ciphers, [](const SshCipher &c) { return c.wireName; });
    const std::string macs = JoinNames(offer.macs, [](const SshMac &m) { return m.wireName; });
    const auto order = CompressionOrder(offer.compressionFirst);
    const std::string compression = std::string(order[0]->wireName) + "," + std::string(order[1]->wireName);
    payload.clear();
    WireWriter w(payload, kMaxKexInitBytes);
    w.U8(kMsgKexInit);
    w.Bytes(cookie);
    for (const std::string *list : {&kex, &hostKeys, &ciphers, &ciphers, &macs, &macs, &compression, &compression})
        w.String(std::string_view(*list));
    w.String(std::string_view());
    w.String(std::string_view());
    w.Bool(false);
    w.U32(0);
    if (!w.Ok())
        return Fail(qsErrorInvalidParameter);
    return true;
}

bool Negotiate(const AlgorithmOffer &offer, ByteView serverPayload, NegotiatedSuite &suite)
{
    suite = {};
    WireReader r(serverPayload);
    std::uint8_t type = 0;
    ByteView cookie;
    std::array<std::string_view, 10> lists;
    bool guessFollows = false;
    std::uint32_t reserved = 0;
    bool ok = r.U8(type) && type == kMsgKexInit && r.Bytes(kCookieBytes, cookie);
    for (std::string_view &list : lists)
        ok = ok && r.NameList(list);
    ok = ok && r.Bool(guessFollows) && r.U32(reserved) && r.Finish();
    if (!ok)
        return Fail(qsErrorInvalidServerResponse);

    NegotiatedSuite chosen;
    chosen.kex = FirstCommon(offer.kex, lists[0], [](const SshKex &k) { return k.wireName; });
    chosen.hostKey = FirstCommon(offer.hostKeys, lists[1], [](const SshHostKey &h) { return h.name; });
    const auto cipherName = [](const SshCipher &c) { return c.wireName; };
    chosen.cipherOut = FirstCommon(offer.ciphers, lists[2], cipherName);
    chosen.cipherIn = FirstCommon(offer.ciphers, lists[3], cipherName);
    const auto macName = [](const SshMac &m) { return m.wireName; };
    chosen.macOut = FirstCommon(offer.macs, lists[4], macName);
    chosen.macIn = FirstCommon(offer.macs, lists[5], macName);
    chosen.compressionOut = ChooseCompression(offer.compressionFirst, lists[6]);
    chosen.compressionIn = ChooseCompression(offer.compressionFirst, lists[7]);
    if (!chosen.kex || !chosen.hostKey || !chosen.cipherOut || !chosen.cipherIn || !chosen.macOut || !chosen.macIn ||
        !chosen.compressionOut || !chosen.compressionIn)
        return Fail(qsErrorProtocolNotSupported);
    // A guessed packet is right only when both first choices of the server are ours.
    const bool guessRight = !offer.kex.empty() && !offer.hostKeys.empty() &&
                            NameListFirst(lists[0]) == offer.kex.front()->wireName &&
                            NameListFirst(lists[1]) == offer.hostKeys.front()->name;
    chosen.skipGuessedPacket = guessFollows && !guessRight;
    suite = chosen;
    return true;
}

}  // namespace qs::ssh
