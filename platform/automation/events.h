// Outgoing events: a connection point per event interface, described by a member table like any
// interface. Sinks connect with Advise; Fire calls every connected sink synchronously, in the order they
// connected. A sink is either a typed C++ object (it answers the table's sinkIid; the table's entries bind
// its methods) or any dispatch object (called through Invoke with the event's dispatch identifier and the
// arguments converted to the event's parameter types).
#pragma once
#include <functional>
#include <vector>
#include "platform/automation/members.h"

struct IConnectionPointContainer;

struct IConnectionPoint : IUnknown {
    static constexpr IID kIid{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual HRESULT GetConnectionInterface(IID *iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer **container) = 0;
    virtual HRESULT Advise(IUnknown *sink, DWORD *cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
    static constexpr IID kIid{0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint **point) = 0;
};

namespace qs::automation {

inline constexpr std::size_t kMaxSinks = 256;  // connections one event interface accepts

// Lives inside its container object and shares its reference count.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer *container, const InterfaceInfo &events);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint &) = delete;
    ConnectionPoint &operator=(const ConnectionPoint &) = delete;

    HRESULT QueryInterface(REFIID iid, void **out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetConnectionInterface(IID *iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer **container) override;
    HRESULT Advise(IUnknown *sink, DWORD *cookie) override;
    HRESULT Unadvise(DWORD cookie) override;

    // Arguments in their natural order, converted to the event's parameter types. An in/out parameter
    // is passed by reference to its entry of `args`, so what a sink stores there comes back. A sink that
    // fails does not stop the others. A sink may connect, disconnect or call back into the container.
    HRESULT Fire(DISPID id, std::span<VARIANT> args);
    template <class... A>
    HRESULT Fire(DISPID id, A &&...args) {
        if constexpr (sizeof...(A) == 0) {
            return Fire(id, std::span<VARIANT>());
        } else {
            Variant values[] = {Variant(std::forward<A>(args))...};
            return Fire(id, AsVariants(values, sizeof...(A)));
        }
    }
    std::size_t sinkCount() const { return sinks_.size(); }
    const InterfaceInfo &events() const { return events_; }

private:
    struct Sink {
        DWORD cookie;
        IUnknown *unknown;   // the reference Advise keeps
        IUnknown *typed;     // the sink as its typed interface, or null
        IDispatch *dispatch; // else the sink as a dispatch object
    };
    bool Connected(DWORD cookie) const;

    IConnectionPointContainer *container_;
    const InterfaceInfo &events_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
};

// CONNECT_E_NOCONNECTION unless `iid` is the point's event interface.
HRESULT FindEventPoint(ConnectionPoint &point, REFIID iid, IConnectionPoint **out);

// The container half for an object with one event interface: S is the typed sink interface (or any
// struct) whose static Info() returns the event table.
template <class S>
class EventSource : public IConnectionPointContainer {
public:
    EventSource() : point_(this, S::Info()) {}
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint **point) override {
        return FindEventPoint(point_, iid, point);
    }
    ConnectionPoint &eventPoint() { return point_; }

private:
    ConnectionPoint point_;
};

// A dispatch sink that hands every event to a function (arguments in their natural order).
class DispatchSink final : public Object<DispatchSink, IDispatch> {
public:
    using Interfaces = InterfaceList<IDispatch>;
    using Handler = std::function<void(DISPID id, std::span<VARIANT> args)>;
    explicit DispatchSink(Handler handler) : handler_(std::move(handler)) {}

    HRESULT GetTypeInfoCount(UINT *count) override;
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid, DISPID *ids) override;
    HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep, UINT *argError) override;

private:
    Handler handler_;
};

}  // namespace qs::automation
