// Persistence of an object's state to a byte stream or a property bag, with in-memory implementations
// of both, and the mixin that gives an object both persistence interfaces from one pair of functions:
//
//   HRESULT SaveProperties(PropertyWriter &out);   // out.Write("_cx", Variant(cx)) ...
//   HRESULT LoadProperties(PropertyReader &in);    // in.Read("_cx", VT_I4, &v) ...
//   HRESULT InitProperties();                      // the defaults
//   static const ClassInfo &Class();
//
// Stream form: a 32-bit version word (little-endian) and then each value in the order written, by type:
// VT_UI1 1 byte, VT_I2 and VT_BOOL 2, VT_I4 and VT_R4 4, VT_R8 and VT_DATE 8, VT_BSTR a 32-bit byte count and
// that many bytes of UTF-16LE. A stream whose version word exceeds kPersistVersion is refused.
// Bag form: one named value per property; a property the bag lacks keeps its default.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "platform/automation/typeinfo.h"

using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

struct IStream : IUnknown {
    static constexpr IID kIid{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // Reads up to `size` bytes; fewer at the end of the stream (S_OK with *read below size).
    virtual HRESULT Read(void *data, ULONG size, ULONG *read) = 0;
    virtual HRESULT Write(const void *data, ULONG size, ULONG *written) = 0;
    virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG *position) = 0;
    virtual HRESULT SetSize(ULONGLONG size) = 0;
};

struct IPersist : IUnknown {
    static constexpr IID kIid{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetClassID(CLSID *clsid) = 0;
};

struct IPersistStreamInit : IPersist {
    static constexpr IID kIid{0x7FD52380, 0x4E07, 0x101B, {0xAE, 0x2D, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
    virtual HRESULT IsDirty() = 0;  // S_OK when changed since the last save, else S_FALSE
    virtual HRESULT Load(IStream *stream) = 0;
    virtual HRESULT Save(IStream *stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULONGLONG *size) = 0;
    virtual HRESULT InitNew() = 0;
};

struct IErrorLog : IUnknown {
    static constexpr IID kIid{0x3127CA40, 0x446E, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    virtual HRESULT AddError(LPCOLESTR property, EXCEPINFO *error) = 0;
};

struct IPropertyBag : IUnknown {
    static constexpr IID kIid{0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    // A value whose type is not VT_EMPTY on entry is converted to that type. E_INVALIDARG for a name
    // the bag does not hold.
    virtual HRESULT Read(LPCOLESTR name, VARIANT *value, IErrorLog *log) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT *value) = 0;
};

struct IPersistPropertyBag : IPersist {
    static constexpr IID kIid{0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag *bag, IErrorLog *log) = 0;
    virtual HRESULT Save(IPropertyBag *bag, BOOL clearDirty, BOOL saveAll) = 0;
};

namespace qs::automation {

inline constexpr std::size_t kMaxMemoryStreamBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t kMaxBagProperties = 1024;
inline constexpr DWORD kPersistVersion = 0x0900;
inline constexpr ULONG kMaxPersistedTextBytes = 1024u * 1024u;  // one persisted text, in bytes

// A growable byte stream in memory; writes past kMaxMemoryStreamBytes fail with STG_E_MEDIUMFULL.
class MemoryStream final : public Object<MemoryStream, IStream> {
public:
    using Interfaces = InterfaceList<IStream>;
    MemoryStream() = default;
    explicit MemoryStream(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {}

    HRESULT Read(void *data, ULONG size, ULONG *read) override;
    HRESULT Write(const void *data, ULONG size, ULONG *written) override;
    HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG *position) override;
    HRESULT SetSize(ULONGLONG size) override;

    const std::vector<BYTE> &bytes() const { return bytes_; }

private:
    std::vector<BYTE> bytes_;
    std::size_t position_ = 0;
};

// Named values in memory, names matched without regard to case; at most kMaxBagProperties.
class MemoryPropertyBag final : public Object<MemoryPropertyBag, IPropertyBag> {
public:
    using Interfaces = InterfaceList<IPropertyBag>;
    HRESULT Read(LPCOLESTR name, VARIANT *value, IErrorLog *log) override;
    HRESULT Write(LPCOLESTR name, VARIANT *value) override;
    std::size_t size() const { return values_.size(); }

private:
    std::map<std::string, Variant> values_;  // key: the name in lower case
};

// Reads exactly `size` bytes; STG_E_READFAULT when the stream ends first.
HRESULT ReadExact(IStream *stream, void *data, ULONG size);

class PropertyWriter {
public:
    virtual HRESULT Write(const char *name, const VARIANT &value) = 0;

protected:
    ~PropertyWriter() = default;
};

class PropertyReader {
public:
    // Fills `value` with the property converted to `type`; S_FALSE (value untouched) when the source
    // does not hold it.
    virtual HRESULT Read(const char *name, VARTYPE type, VARIANT *value) = 0;

protected:
    ~PropertyReader() = default;
};

HRESULT SaveToStream(IStream *stream, const std::function<HRESULT(PropertyWriter &)> &save);
HRESULT LoadFromStream(IStream *stream, const std::function<HRESULT(PropertyReader &)> &load);
HRESULT SizeInStream(const std::function<HRESULT(PropertyWriter &)> &save, ULONGLONG *size);
HRESULT SaveToBag(IPropertyBag *bag, const std::function<HRESULT(PropertyWriter &)> &save);
HRESULT LoadFromBag(IPropertyBag *bag, IErrorLog *log, const std::function<HRESULT(PropertyReader &)> &load);

template <class T>
class PersistImpl : public IPersistStreamInit, public IPersistPropertyBag {
public:
    HRESULT GetClassID(CLSID *clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = T::Class().clsid;
        return S_OK;
    }
    HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT InitNew() override {
        HRESULT hr = self()->InitProperties();
        if (SUCCEEDED(hr)) dirty_ = false;
        return hr;
    }
    HRESULT Load(IStream *stream) override {
        HRESULT hr = LoadFromStream(stream, [this](PropertyReader &in) { return self()->LoadProperties(in); });
        if (SUCCEEDED(hr)) dirty_ = false;
        return hr;
    }
    HRESULT Save(IStream *stream, BOOL clearDirty) override {
        HRESULT hr = SaveToStream(stream, [this](PropertyWriter &out) { return self()->SaveProperties(out); });
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    }
    HRESULT GetSizeMax(ULONGLONG *size) override {
        return SizeInStream([this](PropertyWriter &out) { return self()->SaveProperties(out); }, size);
    }
    HRESULT Load(IPropertyBag *bag, IErrorLog *log) override {
        HRESULT hr = LoadFromBag(bag, log, [this](PropertyReader &in) { return self()->LoadProperties(in); });
        if (SUCCEEDED(hr)) dirty_ = false;
        return hr;
    }
    HRESULT Save(IPropertyBag *bag, BOOL clearDirty, BOOL) override {
        HRESULT hr = SaveToBag(bag, [this](PropertyWriter &out) { return self()->SaveProperties(out); });
        if (SUCCEEDED(hr) && clearDirty) dirty_ = false;
        return hr;
    }

protected:
    void SetDirty(bool dirty) { dirty_ = dirty; }

private:
    T *self() { return static_cast<T *>(this); }
    bool dirty_ = false;
};

}  // namespace qs::automation
