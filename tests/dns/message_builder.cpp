#include "tests/dns/message_builder.h"

#include <gtest/gtest.h>

namespace qs::test {

MessageBuilder::MessageBuilder(std::uint16_t flags, std::uint16_t id)
{
    bool ok = writer_.U16(id) && writer_.U16(flags) && writer_.U16(0) && writer_.U16(0) && writer_.U16(0) &&
              writer_.U16(0);
    EXPECT_TRUE(ok);
}

MessageBuilder &MessageBuilder::Question(const char *name, std::uint16_t type, std::uint16_t qclass)
{
    EXPECT_GE(DnsEncodeName(name, writer_, &table_), 0) << name;
    EXPECT_TRUE(writer_.U16(type) && writer_.U16(qclass));
    ++questions_;
    return *this;
}

MessageBuilder &MessageBuilder::Record(const char *owner, std::uint16_t type, std::uint16_t rclass)
{
    EndRecord();
    EXPECT_GE(DnsEncodeName(owner, writer_, &table_), 0) << owner;
    EXPECT_TRUE(writer_.U16(type) && writer_.U16(rclass) && writer_.U32(3600));
    lengthAt_ = writer_.Length();
    EXPECT_TRUE(writer_.U16(0));
    ++answers_;
    return *this;
}

MessageBuilder &MessageBuilder::Name(const char *name)
{
    EXPECT_GE(DnsEncodeName(name, writer_, &table_), 0) << name;
    return *this;
}

MessageBuilder &MessageBuilder::U8(std::uint8_t value)
{
    EXPECT_TRUE(writer_.U8(value));
    return *this;
}

MessageBuilder &MessageBuilder::U16(std::uint16_t value)
{
    EXPECT_TRUE(writer_.U16(value));
    return *this;
}

MessageBuilder &MessageBuilder::U32(std::uint32_t value)
{
    EXPECT_TRUE(writer_.U32(value));
    return *this;
}

MessageBuilder &MessageBuilder::Bytes(std::initializer_list<std::uint8_t> bytes)
{
    EXPECT_TRUE(writer_.Bytes(std::span<const std::uint8_t>(bytes.begin(), bytes.size())));
    return *this;
}

MessageBuilder &MessageBuilder::String(std::string_view text)
{
    EXPECT_LE(text.size(), 255u);
    EXPECT_TRUE(writer_.U8(static_cast<std::uint8_t>(text.size())));
    EXPECT_TRUE(writer_.Bytes({reinterpret_cast<const std::uint8_t *>(text.data()), text.size()}));
    return *this;
}

MessageBuilder &MessageBuilder::Counts(int questions, int answers)
{
    forcedQuestions_ = questions;
    forcedAnswers_ = answers;
    return *this;
}

MessageBuilder &MessageBuilder::LengthLies(int extra)
{
    lengthExtra_ = extra;
    return *this;
}

void MessageBuilder::EndRecord()
{
    if (lengthAt_ == 0)
        return;
    std::size_t length = writer_.Length() - lengthAt_ - 2 + static_cast<std::size_t>(lengthExtra_);
    EXPECT_TRUE(writer_.PatchU16(lengthAt_, static_cast<std::uint16_t>(length)));
    lengthAt_ = 0;
    lengthExtra_ = 0;
}

std::vector<std::uint8_t> MessageBuilder::Build()
{
    EndRecord();
    EXPECT_TRUE(writer_.PatchU16(4, static_cast<std::uint16_t>(forcedQuestions_ >= 0 ? forcedQuestions_ : questions_)));
    EXPECT_TRUE(writer_.PatchU16(6, static_cast<std::uint16_t>(forcedAnswers_ >= 0 ? forcedAnswers_ : answers_)));
    auto written = writer_.Written();
    return {written.begin(), written.end()};
}

}  // namespace qs::test
