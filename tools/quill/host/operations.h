// The operations of `quill do`, run in order on one object, whose events are printed as they fire:
//   Name=Value            writes a property
//   Name                  reads one: "Name = value"
//   Name(arg, ...)        calls a method: "Name(arg, ...) = result" (just "Name(arg, ...)" for a method
//                         without result that has in/out arguments), then "  Param = value" for each
//                         in/out argument given; an empty argument is missing
//   Name(index)=Value     writes an indexed property; Name(index) reads one
//   wait(ms)              pumps the thread's messages for that long
// A failed operation prints "error 0xXXXXXXXX: text" and the run goes on.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/events.h"
#include "platform/automation/typeinfo.h"

namespace quill {

struct Operation {
    enum class Kind { kGet, kPut, kCall, kIndexedPut, kWait } kind = Kind::kGet;
    std::string name;
    std::vector<std::string> args;   // as written; empty means missing
    std::string value;               // of a write
};

// False for text that is no operation (no name, unbalanced parentheses or quotes, text after them).
bool ParseOperation(std::string_view text, Operation *operation);

class ControlSession {
  public:
    explicit ControlSession(IDispatch *control);
    ~ControlSession();
    ControlSession(const ControlSession &) = delete;
    ControlSession &operator=(const ControlSession &) = delete;

    // Runs one operation and prints what it gives; false when it failed.
    bool Run(const std::string &text);

  private:
    const qs::automation::Member *FindMember(DISPID id) const;
    void PrintEvent(DISPID id, std::span<VARIANT> args);
    bool Call(const std::string &text, const Operation &operation);

    qs::automation::ComPtr<IDispatch> control_;
    qs::automation::ComPtr<ITypeInfo> members_;
    qs::automation::ComPtr<ITypeInfo> events_;
    qs::automation::ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
};

}  // namespace quill
