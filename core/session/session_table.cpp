#include "core/session/session_table.h"

#include <new>

namespace qs {

std::int32_t SessionTable::Insert(std::unique_ptr<ClientSession> session)
{
    std::size_t index = 0;
    while (index < capacity_ && slots_[index] != nullptr)
        ++index;
    if (index == capacity_) {
        std::unique_ptr<std::unique_ptr<ClientSession>[]> grown(
            new (std::nothrow) std::unique_ptr<ClientSession>[capacity_ + kGrowth]);
        if (grown == nullptr)
            return -1;
        for (std::size_t i = 0; i < capacity_; ++i)
            grown[i] = std::move(slots_[i]);
        slots_ = std::move(grown);
        capacity_ += kGrowth;
    }
    slots_[index] = std::move(session);
    return static_cast<std::int32_t>(index);
}

ClientSession *SessionTable::At(std::int32_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= capacity_)
        return nullptr;
    return slots_[index].get();
}

std::unique_ptr<ClientSession> SessionTable::Take(std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= capacity_)
        return nullptr;
    return std::move(slots_[index]);
}

void SessionTable::Clear()
{
    slots_.reset();
    capacity_ = 0;
}

}  // namespace qs
