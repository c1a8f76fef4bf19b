// Arrays of any number of dimensions with their own bounds, holding one element type.
//
// Layout as on the platform: rgsabound holds the dimensions in reverse order (rgsabound[0] is the last
// dimension), so dimension 1 (the first, as SafeArrayGetLBound counts) is rgsabound[cDims - 1]. An index
// vector lists dimension 1 first, and dimension 1 varies fastest in memory.
#pragma once
#include "platform/automation/variant.h"

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void *pvData;
    SAFEARRAYBOUND rgsabound[1];  // cDims entries
};

// Named caps: the number of dimensions and the bytes of element data one array may hold.
inline constexpr UINT kMaxArrayDims = 32;
inline constexpr std::size_t kMaxArrayBytes = 256u * 1024u * 1024u;

// `bounds` lists dimension 1 first. Element types: VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR,
// VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_UI1. Null for another type, no dimension, too
// many dimensions or too much data. Elements start zeroed (empty variants, null texts).
SAFEARRAY *SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND *bounds);
SAFEARRAY *SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
HRESULT SafeArrayDestroy(SAFEARRAY *array);  // DISP_E_ARRAYISLOCKED while locked
UINT SafeArrayGetDim(SAFEARRAY *array);
UINT SafeArrayGetElemsize(SAFEARRAY *array);
HRESULT SafeArrayGetVartype(SAFEARRAY *array, VARTYPE *vt);
// `dim` counts from 1; DISP_E_BADINDEX outside 1..cDims.
HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dim, LONG *bound);
HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dim, LONG *bound);
HRESULT SafeArrayLock(SAFEARRAY *array);
HRESULT SafeArrayUnlock(SAFEARRAY *array);
HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data);  // locks
HRESULT SafeArrayUnaccessData(SAFEARRAY *array);
// The element's address; DISP_E_BADINDEX for an index outside its dimension's bounds.
HRESULT SafeArrayPtrOfIndex(SAFEARRAY *array, const LONG *indices, void **element);
// Copies out: a text is duplicated, a variant copied, an object referenced (the caller owns the copy).
HRESULT SafeArrayGetElement(SAFEARRAY *array, const LONG *indices, void *value);
// Copies in, freeing the element's old value.
HRESULT SafeArrayPutElement(SAFEARRAY *array, const LONG *indices, const void *value);
HRESULT SafeArrayCopy(SAFEARRAY *array, SAFEARRAY **copy);

namespace qs::automation {
// Total elements of all dimensions (0 for a null array).
std::size_t ArrayElementCount(const SAFEARRAY *array);
}  // namespace qs::automation
