// Drives a control by name through its dispatch interface, as a script host does, and records the events
// it raises as text ("OnError(10060, The specified operation has timed out)").
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/events.h"
#include "platform/automation/invoke.h"
#include "platform/automation/typeinfo.h"

namespace qs::test {

class DispatchDriver {
  public:
    explicit DispatchDriver(IDispatch *control) : control_(control)
    {
        automation::ComPtr<ITypeInfo> events;
        TYPEATTR attr{};
        if (FAILED(automation::GetEventTypeInfo(control, events.Out())) || FAILED(events->GetTypeAttr(&attr)))
            return;
        events_ = events;
        automation::ComPtr<IConnectionPointContainer> container;
        if (FAILED(control_.As(&container)) || FAILED(container->FindConnectionPoint(attr.guid, point_.Out())))
            return;
        sink_ = automation::ComPtr<IDispatch>::Attach(new automation::DispatchSink(
            [this](DISPID id, std::span<VARIANT> args) { Record(id, args); }));
        point_->Advise(sink_.get(), &cookie_);
    }
    ~DispatchDriver()
    {
        if (point_)
            point_->Unadvise(cookie_);
    }
    DispatchDriver(const DispatchDriver &) = delete;
    DispatchDriver &operator=(const DispatchDriver &) = delete;

    // The call's result: a raised error comes back as its own code, with its description in error().
    HRESULT Get(const char *name, automation::Variant *value = nullptr)
    {
        automation::Variant ignored;
        return Finish(automation::GetProperty(control_.get(), name, value ? value : &ignored, Excep()));
    }
    HRESULT Put(const char *name, const automation::Variant &value)
    {
        return Finish(automation::PutProperty(control_.get(), name, value, Excep()));
    }
    HRESULT Call(const char *name, std::vector<automation::Variant> args = {}, automation::Variant *result = nullptr)
    {
        automation::Variant ignored;
        return Finish(automation::CallMethod(control_.get(), name, automation::AsVariants(args.data(), args.size()),
                                             result ? result : &ignored, Excep()));
    }
    // The property as text by the variant rules, "<error 0x...>" when the read fails.
    std::string Text(const char *name)
    {
        automation::Variant value;
        HRESULT hr = Get(name, &value);
        if (FAILED(hr)) {
            char text[32];
            std::snprintf(text, sizeof text, "<error 0x%08X>", static_cast<unsigned>(hr));
            return text;
        }
        return value.text();
    }
    LONG Long(const char *name)
    {
        automation::Variant value;
        EXPECT_EQ(Get(name, &value), S_OK) << name;
        EXPECT_EQ(value.ChangeType(VT_I4), S_OK) << name;
        return value.lVal;
    }

    // Events since the last call of TakeEvents.
    std::vector<std::string> TakeEvents() { return std::exchange(events_seen_, {}); }
    const std::string &error() const { return error_; }
    IDispatch *control() const { return control_.get(); }

  private:
    EXCEPINFO *Excep()
    {
        excep_.Clear();
        return &excep_;
    }
    HRESULT Finish(HRESULT hr)
    {
        error_ = excep_.description();
        return hr == DISP_E_EXCEPTION ? excep_.result() : hr;
    }
    void Record(DISPID id, std::span<VARIANT> args)
    {
        std::string text = "?";
        if (events_) {
            BSTR names[1] = {};
            UINT count = 0;
            if (SUCCEEDED(events_->GetNames(id, names, 1, &count)) && count == 1) {
                text = automation::Utf8FromBstr(names[0]);
                SysFreeString(names[0]);
            }
        }
        text += "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            automation::Variant copy;
            VariantCopyInd(&copy, &args[i]);
            text += (i ? ", " : "") + copy.text();
        }
        events_seen_.push_back(text + ")");
    }

    automation::ComPtr<IDispatch> control_;
    automation::ComPtr<ITypeInfo> events_;
    automation::ComPtr<IConnectionPoint> point_;
    automation::ComPtr<IDispatch> sink_;
    DWORD cookie_ = 0;
    automation::ExcepInfo excep_;
    std::string error_;
    std::vector<std::string> events_seen_;
};

}  // namespace qs::test
