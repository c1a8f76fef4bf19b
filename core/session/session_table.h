// The handle table of one protocol library: session records by index, growing in steps of 256 and never
// shrinking until Clear. Callers hold the core lock.
#pragma once
#include <cstddef>
#include <memory>

#include "core/session/session.h"

namespace qs {

class SessionTable {
  public:
    static constexpr std::size_t kGrowth = 256;

    // Stores the record at the lowest free index, growing the table when none is free; -1 when memory
    // runs out (the record is then freed).
    std::int32_t Insert(std::unique_ptr<ClientSession> session);
    ClientSession *At(std::int32_t index) const;
    std::unique_ptr<ClientSession> Take(std::int32_t index);
    std::size_t Capacity() const { return capacity_; }
    // Frees every record and the table itself (capacity 0).
    void Clear();

  private:
    std::unique_ptr<std::unique_ptr<ClientSession>[]> slots_;
    std::size_t capacity_ = 0;
};

}  // namespace qs
