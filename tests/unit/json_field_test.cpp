#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/common/FuzzRounds.h"
#include "update/JsonField.h"

namespace {

TEST(JsonField, ExtractBetweenFindsTheFirstValueByItsTags) {
    const std::wstring update = StringFieldTag(L"update");
    struct Case {
        const char* what;
        std::wstring source, start, end, value;
    } cases[] = {
        {"written without blanks", LR"({"update":"https://x/y","notify":""})", update, L"\"", L"https://x/y"},
        {"a blank after the colon is no match", LR"({"update": "https://x/y"})", update, L"\"", L""},
        {"keys in any ASCII case, the value keeps its own", LR"({"UPDATE":"HTTPS://X/Y"})", update, L"\"",
         L"HTTPS://X/Y"},
        {"mixed-case key", LR"({"Update":"a"})", update, L"\"", L"a"},
        {"an escaped quote is part of the value", LR"({"update":"say \"hi\" now","x":"y"})", update, L"\"",
         LR"(say \"hi\" now)"},
        {"an escaped backslash hides the quote after it", LR"({"update":"a\\","notify":"b"})", update, L"\"",
         LR"(a\\",)"},
        {"an escaped backslash with no plain quote after", LR"({"update":"a\\"})", update, L"\"", L""},
        {"only the first occurrence counts", LR"({"update":"one","update":"two"})", update, L"\"", L"one"},
        {"no start tag", LR"({"notify":"x"})", update, L"\"", L""},
        {"no end tag", LR"({"update":"unterminated)", update, L"\"", L""},
        {"empty value", LR"({"update":""})", update, L"\"", L""},
        {"the info object ends at its first brace", LR"({"info":{"style":"hold","text":"a}b","url":"u"}})",
         std::wstring(kInfoStart), std::wstring(kInfoEnd), LR"("style":"hold","text":"a)"},
        {"a brace is not hidden by a backslash", LR"({"info":{"text":"a\}b"}})", std::wstring(kInfoStart),
         std::wstring(kInfoEnd), LR"("text":"a\)"},
        {"an apostrophe as the end tag hides escaped apostrophes", LR"(key='it\'s' x)", L"key='", L"'", LR"(it\'s)"},
        {"non-ASCII letters compare exactly", L"{\"é\":\"x\"}", L"\"É\":\"", L"\"", L""},
        {"empty start tag", L"abc", L"", L"\"", L""},
        {"empty end tag", L"abc", L"a", L"", L""},
        {"empty source", L"", update, L"\"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractBetween(c.source, c.start, c.end), c.value) << c.what;
    }
}

TEST(JsonField, JsonUnescapeResolvesEscapes) {
    struct Case {
        std::wstring value, result;
    } cases[] = {
        {L"plain", L"plain"},
        {LR"(\"q\")", L"\"q\""},
        {LR"(\'\/\\)", L"'/\\"},
        {LR"(\b\f\n\r\t)", L"\b\f\n\r\t"},
        {LR"(caf\u00e9)", L"café"},
        {LR"(\u00E9\u00C9)", L"éÉ"},
        {LR"(a\xbc)", L"abc"},    // an unknown escape is dropped with its character
        {LR"(end\)", L"end"},     // a lone backslash at the end
        {LR"(\u41)", L"A"},       // fewer than four digits at the end
        {LR"(\u0041BC)", L"ABC"}, // exactly four are taken
        {LR"(\ud83d\ude00)", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}}, // a surrogate pair, unit by unit
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonUnescape(c.value), c.result) << std::string(c.value.begin(), c.value.end());
    }
}

TEST(JsonField, AMalformedUnicodeEscapeIsAConversionError) {
    for (const wchar_t* value : {LR"(\u)", LR"(\uZZZZ)", LR"(\u12G4)", LR"(x\u-1)", LR"(\u 123)", LR"(\u+123)"}) {
        EXPECT_THROW(JsonUnescape(value), EConvertError) << std::wstring(value).size();
    }
}

TEST(JsonField, ReadStringFieldUnescapesTheExtractedValue) {
    const std::wstring answer = LR"({"update":"https:\/\/example.com\/get?a=1","notify":"\u00e9t\u00e9","bad":"\uXY"})";
    EXPECT_EQ(ReadStringField(answer, L"update"), L"https://example.com/get?a=1");
    EXPECT_EQ(ReadStringField(answer, L"notify"), L"été");
    EXPECT_EQ(ReadStringField(answer, L"missing"), L"");
    EXPECT_THROW(ReadStringField(answer, L"bad"), EConvertError);
}

// Bounded random answers (run under the sanitizers in ./test; bench/fuzz.sh runs it longer):
// neither function crashes, hangs or reads out of range; a value always comes from the source.
TEST(JsonField, AnyInputIsSafe) {
    const long total = test_support::FuzzRounds(20000);
    std::mt19937 random(test_support::FuzzSeed(20261211));
    const std::wstring pieces[] = {L"\"",   L"\\",   L"\\\"", L"\\u",           L"\\u00",      L"{",
                                   L"}",    L":",    L"'",    L"\"update\":\"", L"\"info\":{", L"é",
                                   L"\\\\", L"aF09", L"\\x",  L"UPDATE"};
    for (long round = 0; round < total; ++round) {
        std::wstring source;
        const int length = static_cast<int>(random() % 48);
        for (int i = 0; i < length; ++i) {
            if (random() % 2) {
                source += pieces[random() % std::size(pieces)];
            } else {
                source += static_cast<wchar_t>(random() % 0x3000);
            }
        }
        const std::wstring& start = pieces[random() % std::size(pieces)];
        const std::wstring& end = pieces[random() % std::size(pieces)];
        const std::wstring value = ExtractBetween(source, start, end);
        ASSERT_LE(value.size(), source.size());
        if (!value.empty()) {
            ASSERT_NE(source.find(value), std::wstring::npos);
        }
        try {
            const std::wstring unescaped = JsonUnescape(source);
            ASSERT_LE(unescaped.size(), source.size());
        } catch (const EConvertError&) {
        }
    }
}

} // namespace
