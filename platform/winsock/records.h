// Database records laid out in the platform's form inside one caller-sized buffer: the record first,
// then its pointer lists, addresses and texts, every pointer pointing into the same buffer.
#pragma once
#include "platform/winsock/ws_constants.h"  // before the POSIX headers

#include <cstddef>

#include "platform/winsock/lookup.h"
#include "platform/winsock/ws2.h"

namespace qsws {

// A bump writer that never writes past its capacity. Once something does not fit, nothing more is
// written, but the size keeps counting, so the caller learns the size needed.
class RecordWriter {
public:
    RecordWriter(char *buffer, std::size_t capacity) : buffer_(buffer), capacity_(buffer != nullptr ? capacity : 0) {}

    template <typename T>
    T *Take(std::size_t count)
    {
        std::size_t at = (size_ + alignof(T) - 1) / alignof(T) * alignof(T);
        size_ = at + sizeof(T) * count;
        if (!fits_ || size_ > capacity_) {
            fits_ = false;
            return nullptr;
        }
        return reinterpret_cast<T *>(buffer_ + at);
    }
    char *Copy(const std::string &text);
    char **CopyList(const std::vector<std::string> &items);

    bool fits() const { return fits_; }
    std::size_t size() const { return size_; }

private:
    char *buffer_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    bool fits_ = true;
};

// Each returns the record at the buffer's start, or null when it does not fit (writer.size() then
// tells the size needed).
ws::hostent *WriteHost(const HostInfo &info, RecordWriter &writer);
ws::servent *WriteService(const ServiceInfo &info, RecordWriter &writer);
ws::protoent *WriteProtocol(const ProtocolInfo &info, RecordWriter &writer);

}  // namespace qsws
