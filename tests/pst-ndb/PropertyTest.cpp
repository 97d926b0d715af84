// Property values: on-disk layouts of the factories, accessors, GUID text, FILETIME and the
// UTF-8 / UTF-16 conversions with invalid input.
#include "pst/PropValue.h"
#include "pst/Utf.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace mailferry::pst {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const PropValue& value) {
  return Bytes(value.bytes().begin(), value.bytes().end());
}

TEST(Property, TypeSizesAndKinds) {
  EXPECT_EQ(fixedSize(PropType::Boolean), 1u);
  EXPECT_EQ(fixedSize(PropType::Int16), 2u);
  EXPECT_EQ(fixedSize(PropType::Int32), 4u);
  EXPECT_EQ(fixedSize(PropType::ErrorCode), 4u);
  EXPECT_EQ(fixedSize(PropType::SysTime), 8u);
  EXPECT_EQ(fixedSize(PropType::Currency), 8u);
  EXPECT_EQ(fixedSize(PropType::Guid), 16u);
  for (PropType t : {PropType::Unicode, PropType::String8, PropType::Binary, PropType::Object,
                     PropType::MultiInt32, PropType::MultiUnicode}) {
    EXPECT_TRUE(isVariableSize(t)) << static_cast<int>(t);
  }
  EXPECT_FALSE(isVariableSize(PropType::Int64));
  EXPECT_TRUE(isMultiValued(PropType::MultiBinary));
  EXPECT_FALSE(isMultiValued(PropType::Binary));
  EXPECT_EQ(makeTag(0x3001, PropType::Unicode), 0x3001001Fu);
  EXPECT_EQ(tagId(0x3001001F), 0x3001);
  EXPECT_EQ(tagType(0x3001001F), PropType::Unicode);
}

TEST(Property, GuidTextAndDiskOrder) {
  // PS_PUBLIC_STRINGS: Data1..Data3 little-endian on disk, Data4 as written.
  const Guid g = guidFromString("{00020329-0000-0000-C000-000000000046}");
  const Guid disk = {0x29, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  EXPECT_EQ(g, disk);
  EXPECT_EQ(guidToString(g), "{00020329-0000-0000-C000-000000000046}");
  EXPECT_EQ(guidFromString("6ed8da90-450b-101b-98da-00aa003f1305"),
            guidFromString("{6ED8DA90-450B-101B-98DA-00AA003F1305}"));
  for (const char* bad :
       {"", "{00020329-0000-0000-C000-00000000004}", "00020329000000000C000000000000046",
        "{00020329-0000-0000-C000-00000000004G}", "{00020329-0000-0000-C000-000000000046"}) {
    EXPECT_THROW(guidFromString(bad), std::invalid_argument) << bad;
  }
}

TEST(Property, FileTimeConversions) {
  EXPECT_EQ(fileTimeFromUnix(0), 116444736000000000ull);
  EXPECT_EQ(unixFromFileTime(116444736000000000ull), 0);
  EXPECT_EQ(unixFromFileTime(fileTimeFromUnix(1700000000)), 1700000000);
  EXPECT_EQ(unixFromFileTime(0), -11644473600ll);
  EXPECT_EQ(fileTimeFromUnix(-11644473600ll - 5), 0u);  // before 1601: clamped, no wrap
  EXPECT_EQ(fileTimeFromUnix(-1), 116444736000000000ull - 10000000ull);
}

TEST(Property, ScalarFactoriesLayOutLittleEndianBytes) {
  EXPECT_EQ(bytesOf(PropValue::int16(-2)), (Bytes{0xFE, 0xFF}));
  EXPECT_EQ(bytesOf(PropValue::int32(0x01020304)), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(PropValue::uint32(0xFFFFFFFF).asInt32(), -1);
  EXPECT_EQ(bytesOf(PropValue::int64(-1)), Bytes(8, 0xFF));
  EXPECT_EQ(bytesOf(PropValue::float64(1.0)), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(bytesOf(PropValue::boolean(true)), Bytes{1});
  EXPECT_EQ(PropValue::time(0x0102030405060708ull).type(), PropType::SysTime);
  EXPECT_EQ(PropValue::time(0x0102030405060708ull).asInt64(), 0x0102030405060708ll);
  EXPECT_EQ(PropValue::int16(-7).asInt32(), -7);
  EXPECT_EQ(PropValue::int32(-7).asInt64(), -7);
  EXPECT_TRUE(PropValue::boolean(true).asBool());
  EXPECT_FALSE(PropValue::int32(0).asBool());
  EXPECT_THROW(PropValue::utf8("x").asInt32(), std::logic_error);
  EXPECT_THROW(PropValue::int32(1).asString(), std::logic_error);
}

TEST(Property, StringsAreUtf16WithoutTerminator) {
  const PropValue v = PropValue::utf8("Personal Folders");
  EXPECT_EQ(v.type(), PropType::Unicode);
  EXPECT_EQ(v.size(), 32u);
  EXPECT_EQ(v.bytes()[0], 'P');
  EXPECT_EQ(v.bytes()[1], 0);
  EXPECT_EQ(v.asUtf8(), "Personal Folders");
  EXPECT_EQ(PropValue::string(u"\u00E9\U0001F600").asString(), u"\u00E9\U0001F600");
  EXPECT_EQ(PropValue::utf8("").size(), 0u);
  const PropValue s8(PropType::String8, Bytes{'a', 'b'});
  EXPECT_EQ(s8.asUtf8(), "ab");
}

// Values of up to 16 bytes live in the value itself, larger ones on the heap: the bytes, the
// equality and the copies must not depend on where a value lives.
TEST(Property, SmallAndLargeValuesBehaveAlike) {
  const std::string eight = "abcdefgh";  // 16 bytes of UTF-16: the largest held in place
  const std::string nine = "abcdefghi";
  for (const std::string& text : {eight, nine, std::string("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9")}) {
    const PropValue value = PropValue::utf8(text);
    EXPECT_EQ(value.asUtf8(), text);
    EXPECT_EQ(value.size(), toUtf16(text).size() * 2);
    const PropValue copy = value;  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(copy, value);
    EXPECT_EQ(bytesOf(copy), bytesOf(value));
    EXPECT_EQ(PropValue(PropType::Unicode, bytesOf(value)), value);
    EXPECT_EQ(PropValue::string(toUtf16(text)), value);
  }
  for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 4000u}) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const PropValue binary = PropValue::binary(data);
    EXPECT_EQ(bytesOf(binary), data) << size;
    EXPECT_EQ(PropValue(PropType::Binary, data), binary) << size;
    EXPECT_NE(PropValue(PropType::Binary, Bytes(size + 1)), binary) << size;
    PropValue moved = PropValue::binary(data);
    const PropValue target = std::move(moved);
    EXPECT_EQ(bytesOf(target), data) << size;
  }
  const Guid guid = guidFromString("{00062004-0000-0000-C000-000000000046}");
  EXPECT_EQ(bytesOf(PropValue::guid(guid)), Bytes(guid.begin(), guid.end()));
  EXPECT_NE(PropValue::binary(Bytes{1, 2}), PropValue(PropType::Unicode, Bytes{1, 2}));
}

TEST(Property, MultiValuedLayouts) {
  const std::int32_t ints[] = {1, -1};
  EXPECT_EQ(bytesOf(PropValue::multiInt32(ints)), (Bytes{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  // Count, one offset per value from the start of the value, then the values.
  EXPECT_EQ(bytesOf(PropValue::multiString({u"ab", u"", u"c"})),
            (Bytes{3, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0, 20, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(bytesOf(PropValue::multiBinary({{9}, {7, 8}})),
            (Bytes{2, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 9, 7, 8}));
  EXPECT_EQ(bytesOf(PropValue::multiString({})), (Bytes{0, 0, 0, 0}));
}

TEST(Property, StreamedValuesCompareByTreeAndSize) {
  const PropValue a(PropType::Binary, StreamedValue{0x40, 100000});
  EXPECT_TRUE(a.isStreamed());
  EXPECT_EQ(a.size(), 100000u);
  EXPECT_EQ(a, PropValue(PropType::Binary, StreamedValue{0x40, 100000}));
  EXPECT_FALSE(a == PropValue(PropType::Binary, StreamedValue{0x44, 100000}));
  EXPECT_FALSE(a == PropValue::binary(std::string_view("x")));
  EXPECT_EQ(PropValue::binary(std::string_view("abc")),
            PropValue(PropType::Binary, Bytes{'a', 'b', 'c'}));
}

// ASCII runs are widened in blocks of 16 and 8 bytes: a character outside ASCII, or a broken
// sequence, at any offset around those blocks must come out the same as in plain text.
TEST(Property, Utf8RunsOfAnyLengthAroundOtherCharacters) {
  const std::pair<std::string, std::u16string> others[] = {
      {"\xC3\xA9", u"\u00E9"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\x80", u"\uFFFD"},
  };
  for (const auto& [utf8, utf16] : others) {
    for (std::size_t before = 0; before <= 40; ++before) {
      for (std::size_t after : {0u, 1u, 15u, 16u, 17u, 33u}) {
        std::string text;
        std::u16string expected;
        for (std::size_t i = 0; i < before; ++i) {
          text += static_cast<char>('a' + i % 26);
          expected += static_cast<char16_t>('a' + i % 26);
        }
        text += utf8;
        expected += utf16;
        for (std::size_t i = 0; i < after; ++i) {
          text += static_cast<char>('0' + i % 10);
          expected += static_cast<char16_t>('0' + i % 10);
        }
        ASSERT_EQ(toUtf16(text), expected) << before << " " << after;
        ASSERT_EQ(PropValue::utf8(text).asString(), expected) << before << " " << after;
      }
    }
  }
}

TEST(Property, Utf8ToUtf16ReplacesInvalidInput) {
  EXPECT_EQ(toUtf16("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"A\u00E9\u20AC\U0001F600");
  EXPECT_EQ(toUtf16("a\x80z"), u"a\uFFFDz");          // stray continuation byte
  EXPECT_EQ(toUtf16("a\xE2\x82"), u"a\uFFFD");        // truncated at the end
  EXPECT_EQ(toUtf16("\xE2\x82z"), u"\uFFFDz");        // truncated, next char kept
  EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD");          // overlong
  EXPECT_EQ(toUtf16("\xED\xA0\x80"), u"\uFFFD");      // encoded surrogate
  EXPECT_EQ(toUtf16("\xF4\x90\x80\x80"), u"\uFFFD");  // above U+10FFFF
  EXPECT_EQ(toUtf16("\xFF\xFE"), u"\uFFFD\uFFFD");
  EXPECT_EQ(toUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Property, Utf16ToUtf8ReplacesLoneSurrogates) {
  EXPECT_EQ(toUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(toUtf8(std::u16string{char16_t(0xDC00)}), "\xEF\xBF\xBD");
  EXPECT_EQ(toUtf8(std::u16string{char16_t(0xD83D)}), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace mailferry::pst
