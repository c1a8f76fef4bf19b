// The Read buffer convention, against each shape of buffer it names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/control/read_buffer.h"
#include "platform/automation/safearray.h"

namespace qs::control {
namespace {

using automation::Variant;

// A reader that hands out the bytes "ABCDEFGH..." and records how much was asked for.
struct Source {
    int asked = -1;
    bool fail = false;
    int operator()(char *bytes, int size)
    {
        asked = size;
        if (fail)
            return -1;
        const int n = std::min(size, 26);
        for (int i = 0; i < n; ++i)
            bytes[i] = static_cast<char>('A' + i);
        return n;
    }
};

HRESULT ReadInto(VARIANT *buffer, const VARIANT &length, Source &source, LONG *count)
{
    return ReadIntoBuffer(buffer, length, [&](char *b, int n) { return source(b, n); },
                          [] { return MakeHresult(0x800A274C); }, count);
}

Variant ByteArray(ULONG elements) { return Variant::Array(SafeArrayCreateVector(VT_UI1, 0, elements), VT_UI1); }

std::string Bytes(SAFEARRAY *array, std::size_t size)
{
    void *data = nullptr;
    SafeArrayAccessData(array, &data);
    std::string bytes(static_cast<const char *>(data), size);
    SafeArrayUnaccessData(array);
    return bytes;
}

TEST(ReadBuffer, SizesFromBufferAndLength)
{
    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    struct Case {
        const char *what;
        Variant buffer;
        Variant length;
        HRESULT result;
        int asked;   // -1: no read
        LONG count;
    } cases[] = {
        {"empty with length", Variant(), Variant(10), S_OK, 10, 10},
        {"text with length", Variant("old"), Variant(3), S_OK, 3, 3},
        {"text length as text", Variant("old"), Variant("5"), S_OK, 5, 5},
        {"empty without length", Variant(), Variant::Missing(), E_INVALIDARG, -1, 0},
        {"length that is no number", Variant(), Variant("ten"), DISP_E_TYPEMISMATCH, -1, 0},
        {"byte array without length", ByteArray(4), Variant::Missing(), S_OK, 4, 4},
        {"byte array, smaller length", ByteArray(4), Variant(2), S_OK, 2, 2},
        {"byte array, larger length", ByteArray(4), Variant(100), S_OK, 4, 4},
        {"short array", Variant::Array(SafeArrayCreateVector(VT_I2, 0, 3), VT_I2), Variant::Missing(), S_OK, 6, 6},
        {"long array", Variant::Array(SafeArrayCreateVector(VT_I4, 0, 3), VT_I4), Variant(), S_OK, 12, 12},
        {"two-dimensional array", Variant::Array(SafeArrayCreate(VT_UI1, 2, square), VT_UI1), Variant(2), E_INVALIDARG,
         -1, 0},
        {"text array", Variant::Array(SafeArrayCreateVector(VT_BSTR, 0, 3), VT_BSTR), Variant(2), E_INVALIDARG, -1, 0},
        {"variant array", Variant::Array(SafeArrayCreateVector(VT_VARIANT, 0, 3), VT_VARIANT), Variant(2), E_INVALIDARG,
         -1, 0},
        {"null array without length", Variant::Array(nullptr, VT_UI1), Variant::Missing(), E_INVALIDARG, -1, 0},
        {"null array with length", Variant::Array(nullptr, VT_UI1), Variant(5), S_OK, 5, 5},
        {"long scalar", Variant(0), Variant(8), S_OK, 4, 4},
        {"short scalar", Variant(short{0}), Variant(1), S_OK, 1, 1},
        {"byte scalar", Variant(static_cast<unsigned char>(0)), Variant(9), S_OK, 1, 1},
        {"scalar without length", Variant(0), Variant::Missing(), E_INVALIDARG, -1, 0},
        {"negative length", ByteArray(4), Variant(-1), E_INVALIDARG, -1, 0},
        {"zero length", Variant(), Variant(0), E_INVALIDARG, -1, 0},
        {"missing buffer", Variant::Missing(), Variant(4), E_INVALIDARG, -1, 0},
        {"error buffer", Variant::Error(E_FAIL), Variant(4), E_INVALIDARG, -1, 0},
        {"double buffer", Variant(1.5), Variant(4), E_INVALIDARG, -1, 0},
        {"boolean buffer", Variant(true), Variant(4), E_INVALIDARG, -1, 0},
        {"length above the cap", Variant(), Variant(kMaxReadBytes + 1), S_OK, kMaxReadBytes, 26},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        Source source;
        LONG count = 99;
        EXPECT_EQ(ReadInto(&c.buffer, c.length, source, &count), c.result);
        EXPECT_EQ(source.asked, c.asked);
        EXPECT_EQ(count, c.count);
    }
}

TEST(ReadBuffer, StoresAsTheBufferSays)
{
    Source source;
    LONG count = 0;

    Variant text;
    ASSERT_EQ(ReadInto(&text, Variant(5), source, &count), S_OK);
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(text.text(), "ABCDE");

    Variant bytes = ByteArray(8);
    ASSERT_EQ(ReadInto(&bytes, Variant(3), source, &count), S_OK);
    EXPECT_EQ(Bytes(bytes.parray, 8), std::string("ABC\0\0\0\0\0", 8));

    Variant shorts = Variant::Array(SafeArrayCreateVector(VT_I2, 0, 2), VT_I2);
    ASSERT_EQ(ReadInto(&shorts, Variant::Missing(), source, &count), S_OK);
    EXPECT_EQ(Bytes(shorts.parray, 4), "ABCD");

    Variant scalar(0);
    ASSERT_EQ(ReadInto(&scalar, Variant(4), source, &count), S_OK);
    EXPECT_EQ(scalar.lVal, 0x44434241);  // the first four bytes, little-endian

    // By reference: the caller's variables receive the data; a null array gets a new one.
    LONG number = 0;
    Variant numberRef;
    numberRef.vt = VT_BYREF | VT_I4;
    numberRef.plVal = &number;
    ASSERT_EQ(ReadInto(&numberRef, Variant(2), source, &count), S_OK);
    EXPECT_EQ(number, 0x4241);

    SAFEARRAY *array = nullptr;
    Variant arrayRef;
    arrayRef.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    arrayRef.pparray = &array;
    ASSERT_EQ(ReadInto(&arrayRef, Variant(6), source, &count), S_OK);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(automation::ArrayElementCount(array), 6u);
    EXPECT_EQ(Bytes(array, 6), "ABCDEF");
    SafeArrayDestroy(array);

    BSTR held = nullptr;
    Variant textRef;
    textRef.vt = VT_BYREF | VT_BSTR;
    textRef.pbstrVal = &held;
    ASSERT_EQ(ReadInto(&textRef, Variant(2), source, &count), S_OK);
    EXPECT_EQ(automation::Utf8FromBstr(held), "AB");
    SysFreeString(held);

    Variant target;
    Variant variantRef = Variant::Ref(&target);
    ASSERT_EQ(ReadInto(&variantRef, Variant(3), source, &count), S_OK);
    EXPECT_EQ(target.text(), "ABC");
}

TEST(ReadBuffer, FailedReadGoesThroughTheErrorPath)
{
    Source source;
    source.fail = true;
    Variant buffer("kept");
    LONG count = 0;
    EXPECT_EQ(ReadInto(&buffer, Variant(4), source, &count), MakeHresult(0x800A274C));
    EXPECT_EQ(count, -1);
    EXPECT_EQ(buffer.text(), "kept");
}

// Bytes that are no valid UTF-8 still become a text, without shifting what follows.
TEST(ReadBuffer, TextFromInvalidBytes)
{
    Variant text;
    LONG count = 0;
    ASSERT_EQ(ReadIntoBuffer(
                  &text, Variant(3),
                  [](char *b, int) {
                      std::memcpy(b, "a\xFF" "b", 3);
                      return 3;
                  },
                  [] { return E_FAIL; }, &count),
              S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(text.text(), "a\xEF\xBF\xBD" "b");
}

}  // namespace
}  // namespace qs::control
