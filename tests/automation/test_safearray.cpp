// Arrays of one and more dimensions, and arrays held by reference.
#include <gtest/gtest.h>

#include "platform/automation/safearray.h"

using namespace qs::automation;

namespace {

TEST(SafeArrays, VectorWithLowerBound) {
    SAFEARRAY *a = SafeArrayCreateVector(VT_I4, 1, 3);
    ASSERT_NE(a, nullptr);
    LONG lo = 0, hi = 0;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a, 1, &hi), S_OK);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 3);
    EXPECT_EQ(SafeArrayGetLBound(a, 2, &lo), DISP_E_BADINDEX);
    for (LONG i = 1; i <= 3; ++i) {
        LONG value = i * 10;
        EXPECT_EQ(SafeArrayPutElement(a, &i, &value), S_OK);
    }
    for (LONG bad : {0, 4}) {
        LONG value = 0;
        EXPECT_EQ(SafeArrayGetElement(a, &bad, &value), DISP_E_BADINDEX) << bad;
        EXPECT_EQ(SafeArrayPutElement(a, &bad, &value), DISP_E_BADINDEX) << bad;
    }
    LONG *data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, reinterpret_cast<void **>(&data)), S_OK);
    EXPECT_EQ(data[0], 10);
    EXPECT_EQ(data[2], 30);
    EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED) << "destroying accessed data would leave it dangling";
    EXPECT_EQ(SafeArrayUnaccessData(a), S_OK);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
}

TEST(SafeArrays, TwoDimensionsFirstVariesFastest) {
    // Dimension 1: 0..2, dimension 2: -1..1.
    SAFEARRAYBOUND bounds[] = {{3, 0}, {3, -1}};
    SAFEARRAY *a = SafeArrayCreate(VT_BSTR, 2, bounds);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(SafeArrayGetDim(a), 2u);
    LONG lo;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(SafeArrayGetLBound(a, 2, &lo), S_OK);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(a->rgsabound[0].lLbound, -1) << "bounds are kept last dimension first";
    for (LONG j = -1; j <= 1; ++j) {
        for (LONG i = 0; i <= 2; ++i) {
            LONG at[] = {i, j};
            Bstr text(std::to_string(i) + "," + std::to_string(j));
            ASSERT_EQ(SafeArrayPutElement(a, at, text.get()), S_OK);
        }
    }
    BSTR *cells = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, reinterpret_cast<void **>(&cells)), S_OK);
    EXPECT_EQ(Utf8FromBstr(cells[1]), "1,-1");
    EXPECT_EQ(Utf8FromBstr(cells[3]), "0,0");
    SafeArrayUnaccessData(a);

    SAFEARRAY *copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &copy), S_OK);
    LONG at[] = {2, 1};
    Bstr changed("changed");
    ASSERT_EQ(SafeArrayPutElement(copy, at, changed.get()), S_OK);
    BSTR original = nullptr;
    ASSERT_EQ(SafeArrayGetElement(a, at, &original), S_OK);
    EXPECT_EQ(Utf8FromBstr(original), "2,1") << "a copy owns its own texts";
    SysFreeString(original);
    LONG outside[] = {0, 2};
    EXPECT_EQ(SafeArrayGetElement(a, outside, &original), DISP_E_BADINDEX);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(a);
}

TEST(SafeArrays, RefusedShapes) {
    SAFEARRAYBOUND one{1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &one), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4 | VT_BYREF, 1, &one), nullptr);
    SAFEARRAYBOUND huge[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_I4, 2, huge), nullptr) << "past the byte cap";
    SAFEARRAYBOUND many[kMaxArrayDims + 1];
    for (auto &b : many) b = {1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_UI1, kMaxArrayDims + 1, many), nullptr);
    SAFEARRAY *empty = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(ArrayElementCount(empty), 0u);
    SafeArrayDestroy(empty);
}

TEST(SafeArrays, VariantElementsAndVariantsHoldingArrays) {
    SAFEARRAY *a = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    LONG i0 = 0, i1 = 1;
    Variant text("inside"), number(5);
    SafeArrayPutElement(a, &i0, &text);
    SafeArrayPutElement(a, &i1, &number);
    Variant holder = Variant::Array(a, VT_VARIANT);
    Variant copy(holder);
    ASSERT_NE(copy.parray, holder.parray);
    Variant got;
    ASSERT_EQ(SafeArrayGetElement(copy.parray, &i0, &got), S_OK);
    EXPECT_EQ(got.text(), "inside");
    EXPECT_EQ(Variant(holder).ChangeType(VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH) << "arrays keep their element type";
}

TEST(SafeArrays, ByReference) {
    SAFEARRAY *owned = SafeArrayCreateVector(VT_UI1, 0, 4);
    Variant ref;
    ref.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    ref.pparray = &owned;

    Variant copy;
    ASSERT_EQ(VariantCopyInd(&copy, &ref), S_OK);
    EXPECT_EQ(copy.vt, VT_ARRAY | VT_UI1);
    EXPECT_NE(copy.parray, owned);
    Variant converted;
    ASSERT_EQ(VariantChangeType(&converted, &ref, 0, VT_ARRAY | VT_UI1), S_OK);
    EXPECT_NE(converted.parray, owned);

    // Storing through the reference replaces the caller's array.
    SAFEARRAY *replacement = SafeArrayCreateVector(VT_UI1, 0, 7);
    ASSERT_EQ(StoreThrough(&ref, Variant::Array(replacement, VT_UI1)), S_OK);
    EXPECT_EQ(ArrayElementCount(owned), 7u);
    EXPECT_EQ(StoreThrough(&ref, Variant("text")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ArrayElementCount(owned), 7u);
    Variant clear(ref);  // a copy of a reference refers to the same array
    EXPECT_EQ(clear.pparray, &owned);
    SafeArrayDestroy(owned);
}

TEST(StoreThrough, ConvertsToTheReferencedType) {
    LONG number = 0;
    BSTR text = nullptr;
    Variant target;
    Variant toNumber;
    toNumber.vt = VT_BYREF | VT_I4;
    toNumber.plVal = &number;
    EXPECT_EQ(StoreThrough(&toNumber, Variant("12")), S_OK);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(StoreThrough(&toNumber, Variant("x")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(number, 12);
    Variant toText;
    toText.vt = VT_BYREF | VT_BSTR;
    toText.pbstrVal = &text;
    EXPECT_EQ(StoreThrough(&toText, Variant(3.5)), S_OK);
    EXPECT_EQ(StoreThrough(&toText, Variant(4)), S_OK) << "the old text is freed";
    EXPECT_EQ(Utf8FromBstr(text), "4");
    SysFreeString(text);
    Variant toVariant = Variant::Ref(&target);
    EXPECT_EQ(StoreThrough(&toVariant, Variant(true)), S_OK);
    EXPECT_EQ(target.vt, VT_BOOL);
    Variant plain(1);
    EXPECT_EQ(StoreThrough(&plain, Variant("now text")), S_OK);
    EXPECT_EQ(plain.text(), "now text");
}

}  // namespace
