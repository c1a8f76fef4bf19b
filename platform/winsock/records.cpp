#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include "platform/winsock/records.h"

#include <cstdint>
#include <cstring>

namespace qsws {

char *RecordWriter::Copy(const std::string &text)
{
    char *out = Take<char>(text.size() + 1);
    if (out != nullptr) {
        std::memcpy(out, text.c_str(), text.size() + 1);
    }
    return out;
}

char **RecordWriter::CopyList(const std::vector<std::string> &items)
{
    char **list = Take<char *>(items.size() + 1);
    for (std::size_t i = 0; i < items.size(); ++i) {
        char *item = Copy(items[i]);
        if (list != nullptr) {
            list[i] = item;
        }
    }
    if (list != nullptr) {
        list[items.size()] = nullptr;
    }
    return list;
}

ws::hostent *WriteHost(const HostInfo &info, RecordWriter &writer)
{
    auto *record = writer.Take<ws::hostent>(1);
    char **addressList = writer.Take<char *>(info.addresses.size() + 1);
    auto *addresses = writer.Take<std::uint32_t>(info.addresses.size());
    char *name = writer.Copy(info.name);
    char **aliases = writer.CopyList(info.aliases);
    if (!writer.fits()) {
        return nullptr;
    }
    for (std::size_t i = 0; i < info.addresses.size(); ++i) {
        addresses[i] = info.addresses[i];
        addressList[i] = reinterpret_cast<char *>(&addresses[i]);
    }
    addressList[info.addresses.size()] = nullptr;
    *record = ws::hostent{name, aliases, static_cast<std::int16_t>(ws::AF_INET), 4, addressList};
    return record;
}

ws::servent *WriteService(const ServiceInfo &info, RecordWriter &writer)
{
    auto *record = writer.Take<ws::servent>(1);
    char *name = writer.Copy(info.name);
    char **aliases = writer.CopyList(info.aliases);
    char *protocol = writer.Copy(info.protocol);
    if (!writer.fits()) {
        return nullptr;
    }
    *record = ws::servent{name, aliases, static_cast<std::int16_t>(info.port), protocol};
    return record;
}

ws::protoent *WriteProtocol(const ProtocolInfo &info, RecordWriter &writer)
{
    auto *record = writer.Take<ws::protoent>(1);
    char *name = writer.Copy(info.name);
    char **aliases = writer.CopyList(info.aliases);
    if (!writer.fits()) {
        return nullptr;
    }
    *record = ws::protoent{name, aliases, static_cast<std::int16_t>(info.number)};
    return record;
}

}  // namespace qsws
