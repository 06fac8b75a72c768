// Which bytes count as UTF-8, and what a file that is not UTF-8 becomes.

#include "document/core/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmo {
namespace {

// Every sequence the UTF-8 standard allows is kept as it stands; every other one (overlong
// forms, encoded surrogates, code points beyond U+10FFFF, cut-short sequences) makes the
// file legacy, where each byte becomes one character and comes back as that byte.
TEST(TextEncoding, OnlyWellFormedUtf8IsTakenAsUtf8) {
    struct Row {
        const char* Name;
        std::string Bytes;
        bool Utf8;
    };
    const Row rows[] = {
        {"ASCII", "1+1 ==> 2 +_I 0 ", true},
        {"two-byte letter", "caf\xC3\xA9", true},
        {"three-byte kanji", "\xE8\xA8\x88\xE7\xAE\x97", true},
        {"four-byte emoji", "A:=1 ; \xF0\x9F\x98\x80", true},
        {"last code point U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"overlong slash, two bytes", "\xC0\xAF", false},
        {"overlong slash, three bytes", "\xE0\x80\xAF", false},
        {"overlong slash, four bytes", "\xF0\x80\x80\xAF", false},
        {"high surrogate U+D800", "\xED\xA0\x80", false},
        {"low surrogate U+DFFF", "\xED\xBF\xBF", false},
        {"surrogate pair as CESU-8", "\xED\xA0\xBD\xED\xB8\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
        {"four-byte emoji cut short", "x \xF0\x9F\x98", false},
        {"stray continuation byte", "\x80" "1", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(IsValidUtf8(row.Bytes), row.Utf8);
        bool legacy = false;
        const std::string text = DecodeFileText(row.Bytes, {}, &legacy);
        EXPECT_EQ(legacy, !row.Utf8);
        if (row.Utf8)
            EXPECT_EQ(text, row.Bytes);
        else
            EXPECT_EQ(EncodeWindows1252(text), row.Bytes) << "a byte was lost";
        EXPECT_TRUE(IsValidUtf8(text)) << "what is read is always UTF-8";
    }
}

} // namespace
} // namespace vexmo
