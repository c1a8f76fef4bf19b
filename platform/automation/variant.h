// Variants: a tagged value of the platform's automation types, with its conversion rules.
//
// Types: VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR, VT_DISPATCH, VT_ERROR, VT_BOOL,
// VT_UNKNOWN, VT_UI1; VT_ARRAY | type for arrays (VT_VARIANT elements allowed); VT_BYREF | type for a
// reference to a value the caller owns (VT_BYREF | VT_VARIANT to a whole variant).
// Conversion (VariantChangeType):
//   numbers, booleans and dates convert among each other through their value: booleans are -1 (true)
//   and 0, any non-zero number is true; integers round half to even; a value outside the target's range
//   fails with DISP_E_OVERFLOW.
//   text -> number: optional blanks, sign, digits with '.' as the decimal point and an exponent; anything
//   else fails with DISP_E_TYPEMISMATCH. number -> text: integers in decimal, doubles with 15 and singles
//   with 7 significant digits ("0.1", "1E+20", "1.5E-07").
//   text <-> boolean: "True"/"False" (any case, or a number); boolean -> text is "True"/"False".
//   text <-> date: see date.h. Empty converts to 0, false, "" ; Null converts to nothing but Null.
//   An object converts through its default (DISPID_VALUE) property; arrays only to their own type.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include "platform/automation/bstr.h"
#include "platform/automation/hresult.h"

struct IUnknown;
struct IDispatch;
struct SAFEARRAY;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// VariantChangeType flags.
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;  // do not read an object's default property

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown *punkVal;
        IDispatch *pdispVal;
        SAFEARRAY *parray;
        BYTE *pbVal;
        SHORT *piVal;
        LONG *plVal;
        FLOAT *pfltVal;
        DOUBLE *pdblVal;
        VARIANT_BOOL *pboolVal;
        SCODE *pscode;
        DATE *pdate;
        BSTR *pbstrVal;
        IUnknown **ppunkVal;
        IDispatch **ppdispVal;
        SAFEARRAY **pparray;
        VARIANT *pvarVal;
        void *byref;
    };
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT *v);
// Frees what the variant owns (text, array, object reference; nothing for VT_BYREF) and empties it.
HRESULT VariantClear(VARIANT *v);
// Deep copy (texts and arrays duplicated, objects referenced); a VT_BYREF source copies the reference.
HRESULT VariantCopy(VARIANT *dest, const VARIANT *src);
// Like VariantCopy, but a VT_BYREF source copies the value referred to.
HRESULT VariantCopyInd(VARIANT *dest, const VARIANT *src);
// Converts `src` (dereferenced when VT_BYREF) to `vt` into `dest`; dest may be src. On failure dest is
// left unchanged.
HRESULT VariantChangeType(VARIANT *dest, const VARIANT *src, USHORT flags, VARTYPE vt);

namespace qs::automation {

// The platform's marker for an omitted argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANT &v);
// The variant a VT_BYREF | VT_VARIANT refers to; any other variant itself.
const VARIANT &Deref(const VARIANT &v);
// Stores `value` where `target` says: through a VT_BYREF reference (converted to the referenced type,
// replacing the old value), into the variant a VT_BYREF | VT_VARIANT refers to, or into `target` itself.
HRESULT StoreThrough(VARIANT *target, const VARIANT &value);

// Owns one VARIANT; usable wherever a VARIANT * is asked for.
class Variant : public VARIANT {
public:
    Variant() { VariantInit(this); }
    Variant(int value) : Variant() { vt = VT_I4, lVal = value; }
    Variant(short value) : Variant() { vt = VT_I2, iVal = value; }
    Variant(unsigned char value) : Variant() { vt = VT_UI1, bVal = value; }
    Variant(bool value) : Variant() { vt = VT_BOOL, boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
    Variant(float value) : Variant() { vt = VT_R4, fltVal = value; }
    Variant(double value) : Variant() { vt = VT_R8, dblVal = value; }
    Variant(std::string_view utf8);
    Variant(const char *utf8) : Variant(std::string_view(utf8)) {}
    Variant(const std::string &utf8) : Variant(std::string_view(utf8)) {}
    Variant(const Bstr &text);   // copies
    Variant(IDispatch *object);  // adds a reference
    Variant(const VARIANT &other) : Variant() { VariantCopy(this, &other); }
    Variant(const Variant &other) : Variant() { VariantCopy(this, &other); }
    Variant(Variant &&other) noexcept : VARIANT(other) { VariantInit(&other); }
    Variant &operator=(const Variant &other) {
        if (this != &other) VariantCopy(this, &other);
        return *this;
    }
    Variant &operator=(Variant &&other) noexcept {
        if (this != &other) {
            VariantClear(this);
            static_cast<VARIANT &>(*this) = other;
            VariantInit(&other);
        }
        return *this;
    }
    ~Variant() { VariantClear(this); }

    static Variant Missing();
    static Variant Null();
    static Variant Date(DATE value);
    static Variant Error(SCODE code);
    static Variant Array(SAFEARRAY *array, VARTYPE elementType);  // takes the array
    static Variant Ref(VARIANT *target);                          // VT_BYREF | VT_VARIANT
    static Variant Attach(VARIANT value);                         // takes what `value` owns

    // Gives up ownership: the caller frees the result with VariantClear.
    VARIANT Detach();
    // Empties the variant and returns it for an out argument.
    VARIANT *Out() {
        VariantClear(this);
        return this;
    }
    HRESULT ChangeType(VARTYPE type) { return VariantChangeType(this, this, 0, type); }
    bool missing() const { return IsMissing(*this); }
    // The value as text by the conversion rules; "" when it does not convert.
    std::string text() const;
};

static_assert(sizeof(Variant) == sizeof(VARIANT), "an array of Variant is an array of VARIANT");

// Owned variants where an API asks for VARIANTs.
inline std::span<VARIANT> AsVariants(Variant *values, std::size_t count) {
    return std::span<VARIANT>(static_cast<VARIANT *>(values), count);
}

}  // namespace qs::automation
