// The clipboard: text in both formats, who owns the blocks, and which thread has it open.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "platform/base/clipboard.h"
#include "platform/base/errors.h"
#include "platform/base/memory.h"
#include "platform/base/thread.h"
#include "platform/base/window.h"

namespace {

HGLOBAL Block(const void *bytes, std::size_t size)
{
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(mem), bytes, size);
    GlobalUnlock(mem);
    return mem;
}

HGLOBAL TextBlock(const std::string &text) { return Block(text.c_str(), text.size() + 1); }
HGLOBAL WideBlock(const std::u16string &text) { return Block(text.c_str(), (text.size() + 1) * 2); }

// The block's bytes, which must end in a zero unit.
std::string Text(HGLOBAL mem)
{
    const char *bytes = static_cast<const char *>(GlobalLock(mem));
    std::string text = bytes != nullptr ? std::string(bytes, GlobalSize(mem)) : std::string("<no block>");
    GlobalUnlock(mem);
    EXPECT_EQ(text.back(), '\0');
    return text.substr(0, text.size() - 1);
}

std::u16string Wide(HGLOBAL mem)
{
    const auto *units = static_cast<const char16_t *>(GlobalLock(mem));
    std::u16string text = units != nullptr ? std::u16string(units, GlobalSize(mem) / 2) : u"<no block>";
    GlobalUnlock(mem);
    EXPECT_EQ(text.back(), u'\0');
    return text.substr(0, text.size() - 1);
}

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        ASSERT_TRUE(EmptyClipboard());
        ASSERT_TRUE(CloseClipboard());
    }
    // Puts `mem` on an emptied clipboard in `format` and closes it.
    static void Put(UINT format, HGLOBAL mem)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        ASSERT_TRUE(EmptyClipboard());
        ASSERT_EQ(SetClipboardData(format, mem), mem);
        ASSERT_TRUE(CloseClipboard());
    }
};

TEST_F(Clipboard, TextComesBackInBothFormats)
{
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    HGLOBAL mem = TextBlock("gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80");  // "grüß" and an emoji
    Put(CF_TEXT, mem);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(2));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(GetClipboardData(CF_TEXT), mem);
    HGLOBAL wide = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(Wide(wide), u"gr\u00FC\u00DF \U0001F600");
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), wide);  // made once
    SetLastError(0);
    EXPECT_EQ(GetClipboardData(2), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_TRUE(CloseClipboard());

    Put(CF_UNICODETEXT, WideBlock(u"\u65E5\u672C \U0001F600"));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, IllFormedTextBecomesReplacementCharacters)
{
    struct Case {
        std::string text;
        std::u16string wide;
    } cases[] = {
        {"a\xC3(b", u"a\uFFFD(b"},                 // a lead byte without its continuation
        {"\xE2\x82\xF0\x9F\x98\x80", u"\uFFFD\U0001F600"},  // a cut sequence, then a whole one
        {"\xC0\xAF", u"\uFFFD\uFFFD"},             // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},   // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"end\xE2\x82", u"end\uFFFD"},
    };
    for (const Case &c : cases) {
        Put(CF_TEXT, TextBlock(c.text));
        ASSERT_TRUE(OpenClipboard(nullptr));
        EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), c.wide) << testing::PrintToString(c.text);
        EXPECT_TRUE(CloseClipboard());
    }
    // Unpaired surrogates the other way; a pair stays one character.
    Put(CF_UNICODETEXT, WideBlock(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00), char16_t(0xD83D),
                                                 char16_t(0xDE00)}));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80");
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, TextEndsAtTheFirstZeroOrTheBlock)
{
    Put(CF_TEXT, Block("abc", 3));  // no terminating zero
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), u"abc");
    EXPECT_TRUE(CloseClipboard());
    Put(CF_UNICODETEXT, Block(u"ab\0cd", 11));  // an odd byte count, a zero inside
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "ab");
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, TheClipboardOwnsWhatItWasGiven)
{
    HGLOBAL first = TextBlock("first");
    Put(CF_TEXT, first);
    // The caller may read the block but neither free nor resize it.
    EXPECT_EQ(GlobalFree(first), first);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalReAlloc(first, 64, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(Text(first), "first");

    ASSERT_TRUE(OpenClipboard(nullptr));
    HGLOBAL made = GetClipboardData(CF_UNICODETEXT);
    // A block the clipboard holds already cannot be given again.
    SetLastError(0);
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, first), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // Replacing the text frees the old block and the one made from it.
    HGLOBAL second = TextBlock("second");
    EXPECT_EQ(SetClipboardData(CF_TEXT, second), second);
    EXPECT_EQ(GlobalSize(first), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalSize(made), 0u);
    EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), u"second");
    // Putting both formats keeps both as given.
    HGLOBAL wide = WideBlock(u"other");
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, wide), wide);
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "second");
    EXPECT_EQ(Wide(GetClipboardData(CF_UNICODETEXT)), u"other");
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GlobalSize(second), 0u);
    EXPECT_EQ(GlobalSize(wide), 0u);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, CallsThatNeedItOpen)
{
    HGLOBAL mem = TextBlock("kept");
    const DWORD notOpen = ERROR_CLIPBOARD_NOT_OPEN;
    SetLastError(0);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), notOpen);
    EXPECT_EQ(SetClipboardData(CF_TEXT, mem), nullptr);
    EXPECT_EQ(GetLastError(), notOpen);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_EQ(GetLastError(), notOpen);
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetLastError(), notOpen);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(OpenClipboard(nullptr));  // again on the same thread
    EXPECT_EQ(SetClipboardData(2, mem), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SetClipboardData(CF_TEXT, reinterpret_cast<HGLOBAL>(0x4321)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    // Refused blocks stay the caller's.
    EXPECT_EQ(GlobalFree(mem), nullptr);

    EXPECT_FALSE(OpenClipboard(reinterpret_cast<HWND>(0x7777)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    HWND window = CreateMessageWindow(nullptr, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(OpenClipboard(window));
    EXPECT_TRUE(CloseClipboard());
    DestroyWindow(window);
}

TEST_F(Clipboard, OneThreadAtATime)
{
    std::promise<void> opened;
    std::promise<void> triedHere;
    std::thread other([&] {
        EXPECT_TRUE(OpenClipboard(nullptr));
        opened.set_value();
        triedHere.get_future().wait();
        EXPECT_TRUE(CloseClipboard());
    });
    opened.get_future().wait();
    SetLastError(0);
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CloseClipboard());  // not this thread's to close
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    triedHere.set_value();
    other.join();
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());

    // A thread that ends with the clipboard open does not keep it.
    std::thread forgetful([] { EXPECT_TRUE(OpenClipboard(nullptr)); });
    forgetful.join();
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());
}

}  // namespace
