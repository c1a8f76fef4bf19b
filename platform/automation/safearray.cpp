#include "platform/automation/safearray.h"

#include <cstdlib>
#include <cstring>
#include "platform/automation/unknown.h"

namespace {

constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
constexpr USHORT FADF_BSTR = 0x0100;
constexpr USHORT FADF_UNKNOWN = 0x0200;
constexpr USHORT FADF_DISPATCH = 0x0400;
constexpr USHORT FADF_VARIANT = 0x0800;

// The element type lives in front of the descriptor, as on the platform.
constexpr std::size_t kPrefix = 8;

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_UI1: return 1;
        case VT_I2:
        case VT_BOOL: return 2;
        case VT_I4:
        case VT_R4:
        case VT_ERROR: return 4;
        case VT_R8:
        case VT_DATE: return 8;
        case VT_BSTR: return sizeof(BSTR);
        case VT_DISPATCH:
        case VT_UNKNOWN: return sizeof(IUnknown *);
        case VT_VARIANT: return sizeof(VARIANT);
        default: return 0;
    }
}

USHORT FeaturesOf(VARTYPE vt) {
    switch (vt) {
        case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
        case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
        case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
        case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
        default: return FADF_HAVEVARTYPE;
    }
}

VARTYPE TypeOf(const SAFEARRAY *array) {
    VARTYPE vt;
    std::memcpy(&vt, reinterpret_cast<const unsigned char *>(array) - kPrefix, sizeof(vt));
    return vt;
}

// Element count, or false when it passes the byte cap.
bool CountElements(UINT dims, const SAFEARRAYBOUND *bounds, ULONG elementSize, std::size_t *count) {
    std::size_t n = 1;
    for (UINT i = 0; i < dims; ++i) {
        if (bounds[i].cElements == 0) {
            n = 0;
            continue;
        }
        if (n != 0 && bounds[i].cElements > kMaxArrayBytes / elementSize / n) return false;
        n *= bounds[i].cElements;
    }
    *count = n;
    return true;
}

void FreeElement(VARTYPE vt, void *element) {
    switch (vt) {
        case VT_BSTR: {
            BSTR *s = static_cast<BSTR *>(element);
            SysFreeString(*s);
            *s = nullptr;
            break;
        }
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            IUnknown **p = static_cast<IUnknown **>(element);
            if (*p) (*p)->Release();
            *p = nullptr;
            break;
        }
        case VT_VARIANT: VariantClear(static_cast<VARIANT *>(element)); break;
        default: break;
    }
}

// Copies `from` (in the array's storage form) into the empty element `to`.
HRESULT CopyElement(VARTYPE vt, ULONG size, void *to, const void *from) {
    switch (vt) {
        case VT_BSTR: {
            BSTR s = *static_cast<BSTR const *>(from);
            BSTR copy = nullptr;
            if (s) {
                copy = SysAllocStringLen(s, SysStringLen(s));
                if (!copy) return E_OUTOFMEMORY;
            }
            *static_cast<BSTR *>(to) = copy;
            return S_OK;
        }
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            IUnknown *p = *static_cast<IUnknown *const *>(from);
            if (p) p->AddRef();
            *static_cast<IUnknown **>(to) = p;
            return S_OK;
        }
        case VT_VARIANT:
            VariantInit(static_cast<VARIANT *>(to));
            return VariantCopy(static_cast<VARIANT *>(to), static_cast<const VARIANT *>(from));
        default: std::memcpy(to, from, size); return S_OK;
    }
}

// The trailing bounds, read through a pointer: the declared array has one entry, the block cDims.
const SAFEARRAYBOUND *Bounds(const SAFEARRAY *array) { return array->rgsabound; }

unsigned char *ElementAt(SAFEARRAY *array, std::size_t index) {
    return static_cast<unsigned char *>(array->pvData) + index * array->cbElements;
}

}  // namespace

SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND *bounds) {
    ULONG size = ElementSize(vt);
    if (size == 0 || dims == 0 || dims > kMaxArrayDims || !bounds) return nullptr;
    std::size_t count = 0;
    if (!CountElements(dims, bounds, size, &count)) return nullptr;
    std::size_t header = kPrefix + offsetof(SAFEARRAY, rgsabound) + dims * sizeof(SAFEARRAYBOUND);
    auto *block = static_cast<unsigned char *>(std::calloc(1, header));
    if (!block) return nullptr;
    void *data = std::calloc(count ? count : 1, size);
    if (!data) {
        std::free(block);
        return nullptr;
    }
    std::memcpy(block, &vt, sizeof(vt));
    auto *array = reinterpret_cast<SAFEARRAY *>(block + kPrefix);
    array->cDims = static_cast<USHORT>(dims);
    array->fFeatures = FeaturesOf(vt);
    array->cbElements = size;
    array->pvData = data;
    SAFEARRAYBOUND *stored = array->rgsabound;
    for (UINT i = 0; i < dims; ++i) stored[i] = bounds[dims - 1 - i];
    return array;
}

SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    SAFEARRAYBOUND bound{elements, lowerBound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY *array) {
    if (!array) return S_OK;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    VARTYPE vt = TypeOf(array);
    std::size_t count = qs::automation::ArrayElementCount(array);
    for (std::size_t i = 0; i < count; ++i) FreeElement(vt, ElementAt(array, i));
    std::free(array->pvData);
    std::free(reinterpret_cast<unsigned char *>(array) - kPrefix);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY *array) { return array ? array->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY *array) { return array ? array->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *vt) {
    if (!array || !vt) return E_INVALIDARG;
    *vt = TypeOf(array);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dim, LONG *bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    *bound = Bounds(array)[array->cDims - dim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dim, LONG *bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND &b = Bounds(array)[array->cDims - dim];
    *bound = static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + b.cElements - 1);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY *array) {
    if (!array) return E_INVALIDARG;
    ++array->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY *array) {
    if (!array) return E_INVALIDARG;
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data) {
    if (!array || !data) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY *array) { return SafeArrayUnlock(array); }

HRESULT SafeArrayPtrOfIndex(SAFEARRAY *array, const LONG *indices, void **element) {
    if (!array || !indices || !element) return E_INVALIDARG;
    std::size_t cell = 0;
    std::size_t stride = 1;
    for (UINT d = 0; d < array->cDims; ++d) {
        const SAFEARRAYBOUND &b = Bounds(array)[array->cDims - 1 - d];
        std::int64_t offset = static_cast<std::int64_t>(indices[d]) - b.lLbound;
        if (offset < 0 || offset >= static_cast<std::int64_t>(b.cElements)) return DISP_E_BADINDEX;
        cell += static_cast<std::size_t>(offset) * stride;
        stride *= b.cElements;
    }
    *element = ElementAt(array, cell);
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY *array, const LONG *indices, void *value) {
    if (!value) return E_INVALIDARG;
    void *element = nullptr;
    HRESULT hr = SafeArrayPtrOfIndex(array, indices, &element);
    if (FAILED(hr)) return hr;
    return CopyElement(TypeOf(array), array->cbElements, value, element);
}

HRESULT SafeArrayPutElement(SAFEARRAY *array, const LONG *indices, const void *value) {
    void *element = nullptr;
    HRESULT hr = SafeArrayPtrOfIndex(array, indices, &element);
    if (FAILED(hr)) return hr;
    VARTYPE vt = TypeOf(array);
    // Texts and objects are passed as the value itself, everything else through a pointer.
    const void *from = value;
    if (vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN) from = &value;
    else if (!value) return E_INVALIDARG;
    unsigned char fresh[sizeof(VARIANT)];
    hr = CopyElement(vt, array->cbElements, fresh, from);
    if (FAILED(hr)) return hr;
    FreeElement(vt, element);
    std::memcpy(element, fresh, array->cbElements);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    VARTYPE vt = TypeOf(array);
    SAFEARRAYBOUND bounds[kMaxArrayDims];
    for (UINT i = 0; i < array->cDims; ++i) bounds[i] = Bounds(array)[array->cDims - 1 - i];
    SAFEARRAY *out = SafeArrayCreate(vt, array->cDims, bounds);
    if (!out) return E_OUTOFMEMORY;
    std::size_t count = qs::automation::ArrayElementCount(array);
    for (std::size_t i = 0; i < count; ++i) {
        HRESULT hr = CopyElement(vt, array->cbElements, ElementAt(out, i), ElementAt(array, i));
        if (FAILED(hr)) {
            SafeArrayDestroy(out);
            return hr;
        }
    }
    *copy = out;
    return S_OK;
}

namespace qs::automation {

std::size_t ArrayElementCount(const SAFEARRAY *array) {
    if (!array) return 0;
    std::size_t n = 1;
    for (UINT i = 0; i < array->cDims; ++i) n *= Bounds(array)[i].cElements;
    return n;
}

}  // namespace qs::automation
