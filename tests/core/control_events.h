// Listens to a control's events through its dispatch event interface, as a script host does: records
// each by name with its arguments ("OnError(10060, The specified operation has timed out)") and runs a
// test's handler while the control is still raising it, so the handler can call back into the control.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/events.h"
#include "platform/automation/typeinfo.h"

namespace qs::test {

class ControlEvents {
  public:
    // Gets the event's name.
    using Handler = std::function<void(const std::string &name)>;

    explicit ControlEvents(IDispatch *control, Handler handler = {}) : handler_(std::move(handler))
    {
        TYPEATTR attr{};
        automation::ComPtr<IDispatch> object(control);
        automation::ComPtr<IConnectionPointContainer> container;
        if (FAILED(automation::GetEventTypeInfo(control, events_.Out())) || FAILED(events_->GetTypeAttr(&attr)) ||
            FAILED(object.As(&container)) || FAILED(container->FindConnectionPoint(attr.guid, point_.Out())))
            return;
        sink_ = automation::ComPtr<IDispatch>::Attach(
            new automation::DispatchSink([this](DISPID id, std::span<VARIANT> args) { Record(id, args); }));
        point_->Advise(sink_.get(), &cookie_);
    }
    ~ControlEvents()
    {
        if (point_)
            point_->Unadvise(cookie_);
    }
    ControlEvents(const ControlEvents &) = delete;
    ControlEvents &operator=(const ControlEvents &) = delete;

    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    const std::vector<std::string> &seen() const { return seen_; }
    std::vector<std::string> Take() { return std::exchange(seen_, {}); }
    // Whether an event of this name was raised.
    bool Saw(const std::string &name) const
    {
        for (const std::string &event : seen_) {
            if (event.compare(0, name.size() + 1, name + "(") == 0)
                return true;
        }
        return false;
    }
    // The names alone, with repeated neighbours folded into one ("OnRead" many times reads "OnRead").
    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> names;
        for (const std::string &event : seen_) {
            std::string name = event.substr(0, event.find('('));
            if (names.empty() || names.back() != name)
                names.push_back(name);
        }
        return names;
    }

  private:
    void Record(DISPID id, std::span<VARIANT> args)
    {
        std::string name = "?";
        BSTR names[1] = {};
        UINT count = 0;
        if (events_ && SUCCEEDED(events_->GetNames(id, names, 1, &count)) && count == 1) {
            name = automation::Utf8FromBstr(names[0]);
            SysFreeString(names[0]);
        }
        std::string text = name + "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            automation::Variant copy;
            VariantCopyInd(&copy, &args[i]);
            text += (i ? ", " : "") + copy.text();
        }
        seen_.push_back(text + ")");
        if (handler_)
            handler_(name);
    }

    Handler handler_;
    automation::ComPtr<ITypeInfo> events_;
    automation::ComPtr<IConnectionPoint> point_;
    automation::ComPtr<IDispatch> sink_;
    DWORD cookie_ = 0;
    std::vector<std::string> seen_;
};

}  // namespace qs::test
