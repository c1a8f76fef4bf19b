// Events to several sinks: a typed C++ sink and dispatch sinks, in order, with in/out parameters.
#include <gtest/gtest.h>

#include <functional>
#include <vector>
#include "platform/automation/invoke.h"
#include "platform/automation/typeinfo.h"
#include "tests/automation/sample.h"

using namespace qs::automation;

namespace {

using Log = std::vector<std::string>;

class TypedSink final : public Object<TypedSink, ISampleEventSink> {
public:
    using Interfaces = InterfaceList<ISampleEventSink>;
    TypedSink(Log *log, std::function<void()> onChange = {}) : log_(log), onChange_(std::move(onChange)) {}
    HRESULT OnChange(BSTR name) override {
        log_->push_back("typed OnChange " + Utf8FromBstr(name));
        if (onChange_) onChange_();
        return S_OK;
    }
    HRESULT OnCount(VARIANT *value) override {
        Variant v;
        VariantChangeType(&v, value, 0, VT_I4);
        log_->push_back("typed OnCount " + std::to_string(v.lVal));
        return StoreThrough(value, Variant(static_cast<int>(v.lVal * 2)));
    }

private:
    Log *log_;
    std::function<void()> onChange_;
};

ComPtr<IDispatch> RecordingSink(Log *log, const char *label) {
    std::string prefix = label;
    return ComPtr<IDispatch>::Attach(new DispatchSink([log, prefix](DISPID id, std::span<VARIANT> args) {
        std::string line = prefix + " " + std::to_string(id);
        for (VARIANT &a : args) line += " " + Variant(Deref(a)).text();
        log->push_back(line);
    }));
}

class NoEventsAtAll final : public Object<NoEventsAtAll, IPersist> {
public:
    using Interfaces = InterfaceList<IPersist>;
    HRESULT GetClassID(CLSID *) override { return E_NOTIMPL; }
};

class Events : public ::testing::Test {
protected:
    void SetUp() override {
        sample = ComPtr<Sample>::Attach(new Sample);
        ASSERT_EQ(sample->FindConnectionPoint(kSampleEventsIid, point.Out()), S_OK);
        PutProperty(static_cast<ISample *>(sample.get()), "Name", Variant("N"));
    }
    LONG Notify(LONG value) {
        LONG seen = 0;
        EXPECT_EQ(sample->Notify(value, &seen), S_OK);
        return seen;
    }

    ComPtr<Sample> sample;
    ComPtr<IConnectionPoint> point;
    Log log;
};

TEST_F(Events, EverySinkInTheOrderItConnected) {
    DWORD typed = 0, dispatch = 0;
    ComPtr<TypedSink> first = ComPtr<TypedSink>::Attach(new TypedSink(&log));
    ComPtr<IDispatch> second = RecordingSink(&log, "dispatch");
    ASSERT_EQ(point->Advise(first.get(), &typed), S_OK);
    ASSERT_EQ(point->Advise(second.get(), &dispatch), S_OK);
    EXPECT_NE(typed, dispatch);
    // The typed sink doubles the in/out value; the dispatch sink after it sees the doubled value.
    EXPECT_EQ(Notify(5), 10);
    EXPECT_EQ(log, (Log{"typed OnChange N", "dispatch 1 N", "typed OnCount 5", "dispatch 2 10"}));

    log.clear();
    ASSERT_EQ(point->Unadvise(typed), S_OK);
    EXPECT_EQ(Notify(6), 6);
    EXPECT_EQ(log, (Log{"dispatch 1 N", "dispatch 2 6"}));
    EXPECT_EQ(point->Unadvise(typed), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(dispatch), S_OK);
    EXPECT_EQ(sample->eventPoint().sinkCount(), 0u);
}

TEST_F(Events, ASinkMayDisconnectAnotherWhileEventsRun) {
    DWORD firstCookie = 0, secondCookie = 0;
    ComPtr<IDispatch> second = RecordingSink(&log, "second");
    ComPtr<TypedSink> first = ComPtr<TypedSink>::Attach(new TypedSink(&log, [&] { point->Unadvise(secondCookie); }));
    ASSERT_EQ(point->Advise(first.get(), &firstCookie), S_OK);
    ASSERT_EQ(point->Advise(second.get(), &secondCookie), S_OK);
    second.Reset();  // the connection holds the last reference
    Notify(1);
    EXPECT_EQ(log, (Log{"typed OnChange N", "typed OnCount 1"})) << "a sink disconnected meanwhile gets nothing";
}

TEST_F(Events, RefusedConnectionsAndEvents) {
    DWORD cookie = 0;
    ComPtr<NoEventsAtAll> stranger = ComPtr<NoEventsAtAll>::Attach(new NoEventsAtAll);
    EXPECT_EQ(point->Advise(stranger.get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(sample->FindConnectionPoint(ISample::kIid, other.Out()), CONNECT_E_NOCONNECTION);
    IID iid;
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kSampleEventsIid);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(point->GetConnectionPointContainer(back.Out()), S_OK);
    EXPECT_EQ(back.get(), static_cast<IConnectionPointContainer *>(sample.get()));

    ComPtr<IDispatch> sink = RecordingSink(&log, "s");
    ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    EXPECT_EQ(sample->eventPoint().Fire(9), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(sample->eventPoint().Fire(1), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(sample->eventPoint().Fire(2, Variant(1), Variant(2)), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(sample->eventPoint().Fire(1, 42), S_OK) << "arguments convert to the event's types";
    EXPECT_EQ(log, (Log{"s 1 42"}));
    std::vector<ComPtr<IDispatch>> many;
    HRESULT hr = S_OK;
    while (SUCCEEDED(hr) && many.size() <= kMaxSinks) {
        many.push_back(RecordingSink(&log, "m"));
        hr = point->Advise(many.back().get(), &cookie);
    }
    EXPECT_EQ(hr, CONNECT_E_ADVISELIMIT);
}

TEST_F(Events, TheEventInterfaceFromTheObjectsTypeInformation) {
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(GetEventTypeInfo(static_cast<ISample *>(sample.get()), events.Out()), S_OK);
    TYPEATTR attr;
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.guid, kSampleEventsIid);
    Bstr name;
    ASSERT_EQ(events->GetDocumentation(2, name.Out(), nullptr), S_OK);
    EXPECT_EQ(name.utf8(), "OnCount");
}

TEST_F(Events, FrozenEventsAreCounted) {
    ComPtr<IControl> control;
    ASSERT_EQ(sample->QueryInterface(IControl::kIid, control.OutVoid()), S_OK);
    control->FreezeEvents(TRUE);
    control->FreezeEvents(TRUE);
    EXPECT_EQ(sample->lastFreezeCount, 2);
    control->FreezeEvents(FALSE);
    EXPECT_EQ(sample->lastFreezeCount, 1);
    control->FreezeEvents(FALSE);
    EXPECT_EQ(sample->lastFreezeCount, 0);
    sample->lastFreezeCount = -1;
    control->FreezeEvents(FALSE);
    EXPECT_EQ(sample->lastFreezeCount, -1) << "an unmatched thaw is no change";
    control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
    EXPECT_EQ(sample->lastAmbient, DISPID_AMBIENT_USERMODE);
}

}  // namespace
