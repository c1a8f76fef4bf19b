#include "core/control/read_buffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "platform/automation/bstr.h"
#include "platform/automation/safearray.h"

namespace qs::control {
namespace {

using automation::Variant;

int ElementSize(VARTYPE type)
{
    switch (type) {
        case VT_I2: return 2;
        case VT_I4: return 4;
        case VT_UI1: return 1;
        default: return 0;
    }
}

// The array the buffer holds or refers to; null for a null array.
SAFEARRAY *HeldArray(const VARIANT &buffer)
{
    if (buffer.vt & VT_BYREF)
        return buffer.pparray != nullptr ? *buffer.pparray : nullptr;
    return buffer.parray;
}

bool IsAbsent(const VARIANT &value)
{
    const VARIANT &v = automation::Deref(value);
    return v.vt == VT_EMPTY || v.vt == VT_ERROR;
}

HRESULT StoreScalar(VARIANT *buffer, const ReadPlan &plan, std::span<const char> bytes)
{
    std::uint8_t raw[4] = {};
    std::memcpy(raw, bytes.data(), std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(plan.elementSize)));
    const bool byRef = (buffer->vt & VT_BYREF) != 0;
    switch (plan.type) {
        case VT_UI1: {
            BYTE value = raw[0];
            *(byRef ? buffer->pbVal : &buffer->bVal) = value;
            break;
        }
        case VT_I2: {
            SHORT value;
            std::memcpy(&value, raw, sizeof value);
            *(byRef ? buffer->piVal : &buffer->iVal) = value;
            break;
        }
        default: {
            LONG value;
            std::memcpy(&value, raw, sizeof value);
            *(byRef ? buffer->plVal : &buffer->lVal) = value;
            break;
        }
    }
    return S_OK;
}

HRESULT StoreArray(VARIANT *buffer, const ReadPlan &plan, std::span<const char> bytes)
{
    SAFEARRAY *array = HeldArray(*buffer);
    if (array == nullptr) {
        // Only an array held by reference can receive a new one.
        if (!(buffer->vt & VT_BYREF) || buffer->pparray == nullptr)
            return S_OK;
        array = SafeArrayCreateVector(plan.type, 0, static_cast<ULONG>(bytes.size()));
        if (array == nullptr)
            return CTL_E_OUTOFMEMORY;
        *buffer->pparray = array;
    }
    const std::size_t capacity = automation::ArrayElementCount(array) * static_cast<std::size_t>(plan.elementSize);
    void *data = nullptr;
    HRESULT hr = SafeArrayAccessData(array, &data);
    if (FAILED(hr))
        return hr;
    std::memcpy(data, bytes.data(), std::min(capacity, bytes.size()));
    return SafeArrayUnaccessData(array);
}

}  // namespace

HRESULT PlanRead(const VARIANT &buffer, const VARIANT &length, ReadPlan *plan)
{
    *plan = ReadPlan{};
    if (automation::IsMissing(buffer) || (buffer.vt & ~VT_BYREF) == VT_ERROR)
        return E_INVALIDARG;
    const VARTYPE type = buffer.vt & ~VT_BYREF;
    plan->array = (type & VT_ARRAY) != 0;
    plan->type = type & ~VT_ARRAY;

    bool hasLength = !IsAbsent(length);
    LONG wanted = 0;
    if (hasLength) {
        Variant converted;
        HRESULT hr = VariantChangeType(&converted, &length, 0, VT_I4);
        if (FAILED(hr))
            return hr;
        wanted = converted.lVal;
    }

    if (plan->type == VT_EMPTY || plan->type == VT_BSTR) {
        if (plan->array || !hasLength)
            return E_INVALIDARG;
        plan->size = wanted;
    } else {
        plan->elementSize = ElementSize(plan->type);
        if (plan->elementSize == 0)
            return E_INVALIDARG;
        bool hasCapacity = true;
        std::size_t capacity = static_cast<std::size_t>(plan->elementSize);
        if (plan->array) {
            SAFEARRAY *array = HeldArray(buffer);
            if (array != nullptr && SafeArrayGetDim(array) != 1)
                return E_INVALIDARG;
            hasCapacity = array != nullptr;
            capacity = hasCapacity ? automation::ArrayElementCount(array) * capacity : 0;
        }
        if (hasLength && wanted < 0)
            return E_INVALIDARG;
        if (!hasLength && (!plan->array || !hasCapacity))
            return E_INVALIDARG;
        if (hasLength && (!hasCapacity || static_cast<std::size_t>(wanted) < capacity))
            plan->size = wanted;
        else
            plan->size = static_cast<LONG>(std::min<std::size_t>(capacity, static_cast<std::size_t>(kMaxReadBytes)));
    }
    if (plan->size <= 0)
        return E_INVALIDARG;
    plan->size = std::min(plan->size, kMaxReadBytes);
    return S_OK;
}

HRESULT StoreRead(VARIANT *buffer, const ReadPlan &plan, std::span<const char> bytes)
{
    bytes = bytes.first(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(plan.size)));
    if (plan.elementSize == 0) {
        Variant text(std::string_view(bytes.data(), bytes.size()));
        if (text.bstrVal == nullptr && !bytes.empty())
            return E_OUTOFMEMORY;
        return automation::StoreThrough(buffer, text);
    }
    return plan.array ? StoreArray(buffer, plan, bytes) : StoreScalar(buffer, plan, bytes);
}

HRESULT ReadIntoBuffer(VARIANT *buffer, const VARIANT &length, const ReadFunction &read,
                       const std::function<HRESULT()> &onFailure, LONG *count)
{
    *count = 0;
    if (buffer != nullptr && buffer->vt == (VT_BYREF | VT_VARIANT))
        buffer = buffer->pvarVal;
    if (buffer == nullptr)
        return E_INVALIDARG;
    ReadPlan plan;
    HRESULT hr = PlanRead(*buffer, length, &plan);
    if (FAILED(hr))
        return hr;
    std::array<char, kStackReadBytes> small;
    std::unique_ptr<char[]> large;
    char *bytes = small.data();
    if (plan.size > kStackReadBytes) {
        large.reset(new (std::nothrow) char[static_cast<std::size_t>(plan.size)]);
        if (!large)
            return E_OUTOFMEMORY;
        bytes = large.get();
    }
    int got = read(bytes, plan.size);
    if (got < 0) {
        *count = -1;
        return onFailure();
    }
    got = std::min(got, static_cast<int>(plan.size));
    hr = StoreRead(buffer, plan, std::span<const char>(bytes, static_cast<std::size_t>(got)));
    if (FAILED(hr))
        return hr;
    *count = got;
    return S_OK;
}

}  // namespace qs::control
