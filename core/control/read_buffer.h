// The data-buffer convention of the controls' Read methods: a Buffer in/out variant and an optional
// Length decide how many bytes to read and where they go.
//
//   Buffer                       capacity                      without Length      stored as
//   empty or text                none                          invalid argument    text (system code page)
//   short, long or byte array    elements x 2, 4 or 1 bytes    the capacity        bytes from the start
//     (also by reference; one dimension, else invalid argument; a null array has no capacity, and one
//      held by reference receives a new array of as many elements as bytes were read)
//   short, long or byte scalar   2, 4 or 1 bytes               invalid argument    the first bytes
//   missing, error, other types  invalid argument
//
// The size read is Length when there is no capacity or Length is smaller, else the capacity; a negative
// Length, or a size of 0, is an invalid argument. A Length that does not convert to a number fails
// with that conversion's result.
#pragma once
#include <functional>
#include <span>

#include "platform/automation/variant.h"

namespace qs::control {

// One read never asks for more than this; Read methods return "up to" the size anyway.
inline constexpr LONG kMaxReadBytes = 1024 * 1024;
// Reads up to this size use a buffer on the stack.
inline constexpr LONG kStackReadBytes = 1024;

struct ReadPlan {
    VARTYPE type = VT_EMPTY;   // the buffer's type without VT_BYREF and VT_ARRAY
    bool array = false;
    int elementSize = 0;       // bytes per element or scalar; 0 for text
    LONG size = 0;             // bytes to read
};

HRESULT PlanRead(const VARIANT &buffer, const VARIANT &length, ReadPlan *plan);
// Puts the bytes read (at most plan.size) into the buffer as the plan says.
HRESULT StoreRead(VARIANT *buffer, const ReadPlan &plan, std::span<const char> bytes);

// Reads into `bytes` of `size`: the count read, or -1 on failure with the thread's error code set.
using ReadFunction = std::function<int(char *bytes, int size)>;

// The whole convention: plans, reads into a temporary buffer, stores and sets *count. A failed read
// sets *count to -1 and returns what `onFailure` (the control's error path) returns.
HRESULT ReadIntoBuffer(VARIANT *buffer, const VARIANT &length, const ReadFunction &read,
                       const std::function<HRESULT()> &onFailure, LONG *count);

}  // namespace qs::control
