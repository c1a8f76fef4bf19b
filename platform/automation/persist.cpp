#include "platform/automation/persist.h"

#include <cstring>

namespace qs::automation {
namespace {

std::string Key(LPCOLESTR name) {
    std::string key = Utf8FromUtf16(name);
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return key;
}

void PutLittle(std::vector<BYTE> *out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::uint64_t GetLittle(const BYTE *in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    return value;
}

// The stream form of one value (see persist.h).
HRESULT Encode(const VARIANT &input, std::vector<BYTE> *out) {
    Variant v;
    HRESULT hr = VariantCopyInd(&v, &input);
    if (FAILED(hr)) return hr;
    switch (v.vt) {
        case VT_UI1: PutLittle(out, v.bVal, 1); break;
        case VT_I2: PutLittle(out, static_cast<std::uint16_t>(v.iVal), 2); break;
        case VT_BOOL: PutLittle(out, static_cast<std::uint16_t>(v.boolVal), 2); break;
        case VT_I4: PutLittle(out, static_cast<std::uint32_t>(v.lVal), 4); break;
        case VT_R4: {
            std::uint32_t bits;
            std::memcpy(&bits, &v.fltVal, 4);
            PutLittle(out, bits, 4);
            break;
        }
        case VT_R8:
        case VT_DATE: {
            std::uint64_t bits;
            std::memcpy(&bits, v.vt == VT_DATE ? &v.date : &v.dblVal, 8);
            PutLittle(out, bits, 8);
            break;
        }
        case VT_BSTR: {
            UINT length = SysStringLen(v.bstrVal);
            if (length * 2u > kMaxPersistedTextBytes) return E_INVALIDARG;
            PutLittle(out, length * 2u, 4);
            for (UINT i = 0; i < length; ++i) PutLittle(out, v.bstrVal[i], 2);
            break;
        }
        default: return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

class StreamWriter final : public PropertyWriter {
public:
    explicit StreamWriter(IStream *stream) : stream_(stream) {}
    HRESULT Write(const char *, const VARIANT &value) override {
        std::vector<BYTE> bytes;
        HRESULT hr = Encode(value, &bytes);
        if (FAILED(hr)) return hr;
        total_ += bytes.size();
        if (!stream_) return S_OK;
        ULONG written = 0;
        hr = stream_->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr)) return hr;
        return written == bytes.size() ? S_OK : STG_E_MEDIUMFULL;
    }
    ULONGLONG total() const { return total_; }

private:
    IStream *stream_;  // null: only counts
    ULONGLONG total_ = 0;
};

class StreamReader final : public PropertyReader {
public:
    explicit StreamReader(IStream *stream) : stream_(stream) {}
    HRESULT Read(const char *, VARTYPE type, VARIANT *value) override {
        BYTE raw[8];
        int size = type == VT_UI1 ? 1 : type == VT_I2 || type == VT_BOOL ? 2 : type == VT_R8 || type == VT_DATE ? 8 : 4;
        if (type != VT_UI1 && type != VT_I2 && type != VT_BOOL && type != VT_I4 && type != VT_R4 && type != VT_R8 &&
            type != VT_DATE && type != VT_BSTR) {
            return DISP_E_BADVARTYPE;
        }
        HRESULT hr = ReadExact(stream_, raw, static_cast<ULONG>(size));
        if (FAILED(hr)) return hr;
        std::uint64_t bits = GetLittle(raw, size);
        Variant v;
        switch (type) {
            case VT_UI1: v.bVal = static_cast<BYTE>(bits); break;
            case VT_I2: v.iVal = static_cast<SHORT>(bits); break;
            case VT_BOOL: v.boolVal = bits ? VARIANT_TRUE : VARIANT_FALSE; break;
            case VT_I4: v.lVal = static_cast<LONG>(bits); break;
            case VT_R4: {
                std::uint32_t b32 = static_cast<std::uint32_t>(bits);
                std::memcpy(&v.fltVal, &b32, 4);
                break;
            }
            case VT_R8: std::memcpy(&v.dblVal, &bits, 8); break;
            case VT_DATE: std::memcpy(&v.date, &bits, 8); break;
            case VT_BSTR: {
                ULONG bytes = static_cast<ULONG>(bits);
                if (bytes > kMaxPersistedTextBytes || bytes % 2) return STG_E_READFAULT;
                std::vector<BYTE> text(bytes);
                hr = ReadExact(stream_, text.data(), bytes);
                if (FAILED(hr)) return hr;
                std::u16string wide(bytes / 2, u'\0');
                for (ULONG i = 0; i < bytes / 2; ++i) wide[i] = static_cast<char16_t>(GetLittle(&text[2 * i], 2));
                v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
                if (!v.bstrVal) return E_OUTOFMEMORY;
                break;
            }
        }
        v.vt = type;
        hr = VariantClear(value);
        if (FAILED(hr)) return hr;
        *value = v.Detach();
        return S_OK;
    }

private:
    IStream *stream_;
};

class BagWriter final : public PropertyWriter {
public:
    explicit BagWriter(IPropertyBag *bag) : bag_(bag) {}
    HRESULT Write(const char *name, const VARIANT &value) override {
        Bstr key(name);
        Variant copy(value);
        return bag_->Write(key, &copy);
    }

private:
    IPropertyBag *bag_;
};

class BagReader final : public PropertyReader {
public:
    BagReader(IPropertyBag *bag, IErrorLog *log) : bag_(bag), log_(log) {}
    HRESULT Read(const char *name, VARTYPE type, VARIANT *value) override {
        Bstr key(name);
        Variant v;
        v.vt = type;  // asks the bag for this type
        HRESULT hr = bag_->Read(key, &v, log_);
        if (hr == E_INVALIDARG) return S_FALSE;
        if (FAILED(hr)) return hr;
        if (v.vt != type && FAILED(hr = v.ChangeType(type))) return hr;
        hr = VariantClear(value);
        if (FAILED(hr)) return hr;
        *value = v.Detach();
        return S_OK;
    }

private:
    IPropertyBag *bag_;
    IErrorLog *log_;
};

}  // namespace

HRESULT MemoryStream::Read(void *data, ULONG size, ULONG *read) {
    if (!data && size) return STG_E_INVALIDPOINTER;
    std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    std::size_t n = size < available ? size : available;
    if (n) std::memcpy(data, bytes_.data() + position_, n);
    position_ += n;
    if (read) *read = static_cast<ULONG>(n);
    return S_OK;
}

HRESULT MemoryStream::Write(const void *data, ULONG size, ULONG *written) {
    if (written) *written = 0;
    if (!data && size) return STG_E_INVALIDPOINTER;
    if (size > kMaxMemoryStreamBytes || position_ > kMaxMemoryStreamBytes - size) return STG_E_MEDIUMFULL;
    if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    if (size) std::memcpy(bytes_.data() + position_, data, size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
}

HRESULT MemoryStream::Seek(LONGLONG move, DWORD origin, ULONGLONG *position) {
    LONGLONG base;
    switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
        case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_.size()); break;
        default: return STG_E_INVALIDFUNCTION;
    }
    // Both terms are bounded by the cap, so the sum cannot overflow.
    if (move < -static_cast<LONGLONG>(kMaxMemoryStreamBytes) || move > static_cast<LONGLONG>(kMaxMemoryStreamBytes)) {
        return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target = base + move;
    if (target < 0 || target > static_cast<LONGLONG>(kMaxMemoryStreamBytes)) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::size_t>(target);
    if (position) *position = position_;
    return S_OK;
}

HRESULT MemoryStream::SetSize(ULONGLONG size) {
    if (size > kMaxMemoryStreamBytes) return STG_E_MEDIUMFULL;
    bytes_.resize(static_cast<std::size_t>(size));
    return S_OK;
}

HRESULT MemoryPropertyBag::Read(LPCOLESTR name, VARIANT *value, IErrorLog *) {
    if (!name || !value) return E_POINTER;
    auto it = values_.find(Key(name));
    if (it == values_.end()) return E_INVALIDARG;
    Variant out;
    HRESULT hr = value->vt == VT_EMPTY ? VariantCopy(&out, &it->second)
                                       : VariantChangeType(&out, &it->second, 0, value->vt);
    if (FAILED(hr)) return hr;
    hr = VariantClear(value);
    if (FAILED(hr)) return hr;
    *value = out.Detach();
    return S_OK;
}

HRESULT MemoryPropertyBag::Write(LPCOLESTR name, VARIANT *value) {
    if (!name || !value) return E_POINTER;
    std::string key = Key(name);
    if (values_.size() >= kMaxBagProperties && values_.find(key) == values_.end()) return STG_E_MEDIUMFULL;
    Variant copy;
    HRESULT hr = VariantCopyInd(&copy, value);
    if (FAILED(hr)) return hr;
    values_[key] = std::move(copy);
    return S_OK;
}

HRESULT ReadExact(IStream *stream, void *data, ULONG size) {
    if (!stream) return E_POINTER;
    ULONG read = 0;
    HRESULT hr = stream->Read(data, size, &read);
    if (FAILED(hr)) return hr;
    return read == size ? S_OK : STG_E_READFAULT;
}

HRESULT SaveToStream(IStream *stream, const std::function<HRESULT(PropertyWriter &)> &save) {
    if (!stream) return E_POINTER;
    BYTE version[4];
    for (int i = 0; i < 4; ++i) version[i] = static_cast<BYTE>(kPersistVersion >> (8 * i));
    ULONG written = 0;
    HRESULT hr = stream->Write(version, sizeof version, &written);
    if (FAILED(hr)) return hr;
    if (written != sizeof version) return STG_E_MEDIUMFULL;
    StreamWriter writer(stream);
    return save(writer);
}

HRESULT LoadFromStream(IStream *stream, const std::function<HRESULT(PropertyReader &)> &load) {
    BYTE version[4];
    HRESULT hr = ReadExact(stream, version, sizeof version);
    if (FAILED(hr)) return hr;
    if (GetLittle(version, 4) > kPersistVersion) return E_FAIL;
    StreamReader reader(stream);
    return load(reader);
}

HRESULT SizeInStream(const std::function<HRESULT(PropertyWriter &)> &save, ULONGLONG *size) {
    if (!size) return E_POINTER;
    StreamWriter counter(nullptr);
    HRESULT hr = save(counter);
    if (FAILED(hr)) return hr;
    *size = 4 + counter.total();
    return S_OK;
}

HRESULT SaveToBag(IPropertyBag *bag, const std::function<HRESULT(PropertyWriter &)> &save) {
    if (!bag) return E_POINTER;
    BagWriter writer(bag);
    return save(writer);
}

HRESULT LoadFromBag(IPropertyBag *bag, IErrorLog *log, const std::function<HRESULT(PropertyReader &)> &load) {
    if (!bag) return E_POINTER;
    BagReader reader(bag, log);
    return load(reader);
}

}  // namespace qs::automation
