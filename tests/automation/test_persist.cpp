// Persistence to a stream and a property bag, and the container site's run-mode rule.
#include <gtest/gtest.h>

#include "platform/automation/invoke.h"
#include "tests/automation/sample.h"

using namespace qs::automation;

namespace {

ComPtr<Sample> MakeSample(const char *name, int count) {
    ComPtr<Sample> s = ComPtr<Sample>::Attach(new Sample);
    Bstr n(name);
    s->put_Name(n);
    s->put_Count(count);
    return s;
}

std::string NameOf(Sample *s) {
    Bstr name;
    s->get_Name(name.Out());
    return name.utf8();
}

LONG CountOf(Sample *s) {
    LONG count = -1;
    s->get_Count(&count);
    return count;
}

TEST(Persistence, StreamRoundTrip) {
    ComPtr<Sample> source = MakeSample("h\xC3\xA9llo", 42);
    EXPECT_EQ(source->IsDirty(), S_OK);
    ComPtr<MemoryStream> stream = ComPtr<MemoryStream>::Attach(new MemoryStream);
    ASSERT_EQ(source->Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(source->IsDirty(), S_FALSE);
    // version word, text length and UTF-16 text, count
    const std::vector<BYTE> expected = {0x00, 0x09, 0, 0,   10, 0,   0, 0,  'h', 0, 0xE9,
                                        0,    'l',  0, 'l', 0,  'o', 0, 42, 0,   0, 0};
    EXPECT_EQ(stream->bytes(), expected);
    ULONGLONG size = 0;
    ASSERT_EQ(source->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size, expected.size());

    ComPtr<Sample> copy = ComPtr<Sample>::Attach(new Sample);
    stream->Seek(0, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(copy->Load(stream.get()), S_OK);
    EXPECT_EQ(NameOf(copy.get()), "h\xC3\xA9llo");
    EXPECT_EQ(CountOf(copy.get()), 42);
    CLSID clsid;
    ASSERT_EQ(static_cast<IPersistStreamInit *>(copy.get())->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, kSampleClsid);
}

TEST(Persistence, DamagedStreamsAreRefused) {
    ComPtr<Sample> source = MakeSample("abc", 7);
    ComPtr<MemoryStream> good = ComPtr<MemoryStream>::Attach(new MemoryStream);
    ASSERT_EQ(source->Save(good.get(), FALSE), S_OK);
    std::vector<BYTE> bytes = good->bytes();

    struct {
        const char *what;
        std::vector<BYTE> data;
        HRESULT hr;
    } cases[] = {
        {"newer version", [&] { auto b = bytes; b[0] = 0x01, b[1] = 0x09; return b; }(), E_FAIL},
        {"empty", {}, STG_E_READFAULT},
        {"cut in the version", {0x00, 0x09}, STG_E_READFAULT},
        {"cut in the text", std::vector<BYTE>(bytes.begin(), bytes.begin() + 10), STG_E_READFAULT},
        {"cut in the count", std::vector<BYTE>(bytes.begin(), bytes.end() - 1), STG_E_READFAULT},
        {"odd text length", [&] { auto b = bytes; b[4] = 5; return b; }(), STG_E_READFAULT},
        {"text length past the cap", [&] { auto b = bytes; b[7] = 0x7F; return b; }(), STG_E_READFAULT},
        {"older version", [&] { auto b = bytes; b[1] = 0x01; return b; }(), S_OK},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<MemoryStream> stream = ComPtr<MemoryStream>::Attach(new MemoryStream(c.data));
        ComPtr<Sample> target = ComPtr<Sample>::Attach(new Sample);
        EXPECT_EQ(target->Load(stream.get()), c.hr);
    }
}

TEST(Persistence, PropertyBagRoundTrip) {
    ComPtr<Sample> source = MakeSample("bag", 9);
    ComPtr<MemoryPropertyBag> bag = ComPtr<MemoryPropertyBag>::Attach(new MemoryPropertyBag);
    ASSERT_EQ(source->Save(bag.get(), TRUE, TRUE), S_OK);
    EXPECT_EQ(bag->size(), 2u);
    Variant count;
    count.vt = VT_BSTR;  // the bag converts to the type asked for
    ASSERT_EQ(bag->Read(u"COUNT", &count, nullptr), S_OK);
    EXPECT_EQ(count.vt, VT_BSTR);
    EXPECT_EQ(count.text(), "9");
    Variant none;
    EXPECT_EQ(bag->Read(u"Missing", &none, nullptr), E_INVALIDARG);

    ComPtr<Sample> copy = ComPtr<Sample>::Attach(new Sample);
    ASSERT_EQ(copy->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(NameOf(copy.get()), "bag");
    EXPECT_EQ(CountOf(copy.get()), 9);

    // A bag lacking a property leaves its default; one holding a value of the wrong kind fails.
    ComPtr<MemoryPropertyBag> partial = ComPtr<MemoryPropertyBag>::Attach(new MemoryPropertyBag);
    Variant text("twelve");
    partial->Write(u"Name", &text);
    ComPtr<Sample> fresh = MakeSample("keep", 3);
    ASSERT_EQ(fresh->Load(partial.get(), nullptr), S_OK);
    EXPECT_EQ(NameOf(fresh.get()), "twelve");
    EXPECT_EQ(CountOf(fresh.get()), 3);
    partial->Write(u"Count", &text);
    EXPECT_EQ(fresh->Load(partial.get(), nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(static_cast<IPersistPropertyBag *>(fresh.get())->InitNew(), S_OK);
    EXPECT_EQ(CountOf(fresh.get()), 0);
}

TEST(Persistence, MemoryStreamBounds) {
    ComPtr<MemoryStream> s = ComPtr<MemoryStream>::Attach(new MemoryStream);
    ULONGLONG position = 0;
    EXPECT_EQ(s->Seek(-1, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(s->Seek(static_cast<LONGLONG>(kMaxMemoryStreamBytes) + 1, STREAM_SEEK_SET, &position),
              STG_E_INVALIDFUNCTION);
    EXPECT_EQ(s->Seek(4, STREAM_SEEK_SET, &position), S_OK);
    BYTE b = 7;
    ULONG done = 0;
    EXPECT_EQ(s->Write(&b, 1, &done), S_OK);
    EXPECT_EQ(s->bytes(), (std::vector<BYTE>{0, 0, 0, 0, 7})) << "a gap before a write reads as zeros";
    EXPECT_EQ(s->Seek(static_cast<LONGLONG>(kMaxMemoryStreamBytes), STREAM_SEEK_SET, &position), S_OK);
    EXPECT_EQ(s->Write(&b, 1, &done), STG_E_MEDIUMFULL);
    EXPECT_EQ(s->SetSize(kMaxMemoryStreamBytes + 1), STG_E_MEDIUMFULL);
    BYTE out[8];
    s->Seek(-2, STREAM_SEEK_END, nullptr);
    EXPECT_EQ(s->Read(out, sizeof out, &done), S_OK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(ReadExact(s.get(), out, 1), STG_E_READFAULT);
}

class ModeSite final : public Object<ModeSite, IControlSite> {
public:
    using Interfaces = InterfaceList<IControlSite>;
    explicit ModeSite(HRESULT hr, Variant answer) : hr_(hr), answer_(std::move(answer)) {}
    HRESULT GetAmbientProperty(DISPID id, VARIANT *value) override {
        if (id != DISPID_AMBIENT_USERMODE || FAILED(hr_)) return FAILED(hr_) ? hr_ : DISP_E_MEMBERNOTFOUND;
        return VariantCopy(value, &answer_);
    }
    HRESULT OnRequestEdit(DISPID) override { return S_OK; }
    HRESULT OnChanged(DISPID) override { return S_OK; }

private:
    HRESULT hr_;
    Variant answer_;
};

TEST(Site, RunModeRule) {
    struct {
        const char *what;
        HRESULT hr;
        Variant answer;
        bool userMode;
    } cases[] = {
        {"true", S_OK, Variant(true), true},
        {"false", S_OK, Variant(false), false},
        {"no answer", DISP_E_MEMBERNOTFOUND, Variant(), true},
        {"not a boolean", S_OK, Variant(1), false},
        {"empty", S_OK, Variant(), false},
    };
    for (auto &c : cases) {
        ComPtr<ModeSite> site = ComPtr<ModeSite>::Attach(new ModeSite(c.hr, c.answer));
        EXPECT_EQ(AmbientUserMode(site.get()), c.userMode) << c.what;
    }
    EXPECT_TRUE(AmbientUserMode(nullptr)) << "no site is run mode";
    ComPtr<IControlSite> standard;
    ASSERT_EQ(CreateDefaultSite(standard.Out()), S_OK);
    EXPECT_TRUE(AmbientUserMode(standard.get()));
    Variant locale;
    EXPECT_EQ(standard->GetAmbientProperty(DISPID_AMBIENT_LOCALEID, &locale), DISP_E_MEMBERNOTFOUND);

    ComPtr<AmbientSite> design = ComPtr<AmbientSite>::Attach(new AmbientSite);
    design->SetAmbient(DISPID_AMBIENT_USERMODE, Variant(false));
    ComPtr<Sample> control = ComPtr<Sample>::Attach(new Sample);
    ASSERT_EQ(control->SetSite(design.get()), S_OK);
    ComPtr<IControlSite> back;
    ASSERT_EQ(control->GetSite(back.Out()), S_OK);
    EXPECT_EQ(back.get(), static_cast<IControlSite *>(design.get()));
    EXPECT_FALSE(AmbientUserMode(back.get()));
    control->SetSite(nullptr);
}

}  // namespace
