#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "tests/common/FuzzRounds.h"
#include "translate/Catalog.h"

namespace {

std::string CatalogBytes() {
    std::ifstream file(RAMBROOM_SOURCE_DIR "/resources/translate.txt", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

const TranslationCatalog& Shipped() {
    static const TranslationCatalog catalog = ReadCatalog(CatalogBytes());
    return catalog;
}

// The resource as it ships: UTF-8 with a byte-order mark, CR LF, 24 blocks of 215 lines, 191 of
// them rows, ending in two line ends; block 8 without an en row.
TEST(TranslationCatalog, ShipsInItsForm) {
    const std::string bytes = CatalogBytes();
    ASSERT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.ends_with("\r\n\r\n"));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "a lone LF at byte " << i;
        }
    }
    const TranslationCatalog& catalog = Shipped();
    EXPECT_EQ(catalog.size(), 215u);
    int rows = 0, blocks = 0;
    for (const auto& line : catalog) {
        rows += line.empty() ? 0 : 1;
        blocks += line.empty() ? 1 : 0;
    }
    EXPECT_EQ(rows, 191);
    EXPECT_EQ(blocks, 24);
    EXPECT_EQ(catalog.front(), L"ko=RamBroom");
    EXPECT_EQ(catalog.back(), L"");
}

TEST(Translate, ByTheShippedCatalog) {
    const struct {
        const wchar_t* text;
        const wchar_t* lang;
        const wchar_t* result;
    } cases[] = {
        {L"Home", L"fr", L"Accueil"},    // found by its en row
        {L"home", L"ja", L"ホーム"},     // ASCII letters without case
        {L"MÉMOIRE", L"en", L"MÉMOIRE"}, // É and é differ: not found
        {L"처음화면", L"de", L"Home"},   // no de rows: English
        {L"워킹 셋", L"en", L"워킹 셋"}, // block 8 has no en row
        {L"워킹 셋", L"fr", L"Travail"},
        {L"워킹 셋", L"de", L"워킹 셋"},
        {L"처음화면!", L"en", L"처음화면!"}, // an added character: no block
        {L"", L"en", L""},
        {L"처음화면", L"KO", L"Home"}, // codes compare with case
        {L"처음화면", L"ko", L"처음화면"},
        {L"Главная", L"zh", L"主页"}, // from any language's row
        {L"%.0n MB / %.0n MB (%n%% 사용중)", L"en", L"%.0n MB / %.0n MB (Usage: %n%%)"},
        {L"정말 종료하시겠습니까?", L"ar", L"هل أنت متأكد أنك تريد الخروج؟"},
        {L"line\\nbreak\\N", L"en", L"line\rbreak\\N"}, // not in the catalog: escapes resolved
        {L"RamBroom", L"ru", L"RamBroom"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Translate(Shipped(), c.text, c.lang), c.result) << c.lang;
    }
}

// Translating a translation again gives it back, in every language of every block.
TEST(Translate, IsStableOnItsOwnResults) {
    for (const auto* lang : {L"ko", L"en", L"ja", L"zh", L"ru", L"it", L"fr", L"ar", L"de"}) {
        for (const auto& line : Shipped()) {
            const auto text = line.substr(line.find(L'=') + 1);
            if (line.empty()) {
                continue;
            }
            const std::wstring once = Translate(Shipped(), text, lang);
            EXPECT_EQ(Translate(Shipped(), once, lang), once);
        }
    }
}

TEST(Translate, EmptyCatalogAndOddEntries) {
    EXPECT_EQ(Translate({}, L"처음화면", L"en"), L"처음화면");
    EXPECT_EQ(Translate({}, L"a\\nb", L"en"), L"a\rb");
    // The key is the text after the first "="; entries without one never match.
    const TranslationCatalog odd = {L"ko=a=b", L"en=A = B", L"", L"novalue", L"en", L"", L"fr=x"};
    EXPECT_EQ(Translate(odd, L"a=b", L"en"), L"A = B");
    EXPECT_EQ(Translate(odd, L"novalue", L"en"), L"novalue");
    EXPECT_EQ(Translate(odd, L"x", L"fr"), L"x");
    EXPECT_EQ(Translate(odd, L"X", L"en"), L"X"); // its block has no en row
}

TEST(ReadCatalog, LineEndsAndByteOrderMark) {
    const struct {
        std::string bytes;
        TranslationCatalog lines;
    } cases[] = {
        {"", {}},
        {"\xEF\xBB\xBF", {}},
        {"a", {L"a"}},
        {"a\r\nb\r\n\r\n", {L"a", L"b", L""}},
        {"a\nb\rc\r\n", {L"a", L"b", L"c"}},
        {"a\r\rb", {L"a", L"", L"b"}},
        {"a\n\r", {L"a", L""}},
        {"\xEF\xBB\xBFko=\xEC\xB2\x98", {L"ko=처"}},
        {"\xEF\xBB\xBF\xEF\xBB\xBFx", {L"\uFEFFx"}}, // only one mark is skipped
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadCatalog(c.bytes), c.lines);
    }
}

TEST(ReadCatalog, MalformedUtf8BecomesReplacementCharacters) {
    const struct {
        std::string bytes;
        std::wstring line;
    } cases[] = {
        {"a\x80z", L"a\uFFFDz"},                           // stray continuation
        {"\xC0\xAF", L"\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},           // a surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xE2\x82", L"\uFFFD\uFFFD"},                     // cut short at the end
        {"\xF0\x9F\x98\x80", L"\U0001F600"},
    };
    for (const auto& c : cases) {
        const TranslationCatalog lines = ReadCatalog(c.bytes);
        ASSERT_EQ(lines.size(), 1u);
        std::wstring expected;
        for (char32_t cp : std::u32string(c.line.begin(), c.line.end())) {
            if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
                expected += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
                expected += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                expected += static_cast<wchar_t>(cp);
            }
        }
        EXPECT_EQ(lines[0], expected);
    }
}

// Bounded random inputs (run under the sanitizers in ./test; bench/fuzz.sh runs it longer): the reader and Translate
// over what it read never crash, hang or read out of range, and the catalog holds no line end.
TEST(ReadCatalog, AnyBytesGiveACatalog) {
    std::mt19937 random(test_support::FuzzSeed(20261210));
    const std::string pieces[] = {"\r",   "\n",   "\r\n",     "=",   "\\n", "\xEF\xBB\xBF",
                                  "\xC3", "\xA9", "\xF0\x9F", "en=", "ko="};
    const long total = test_support::FuzzRounds(20000);
    for (long round = 0; round < total; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i) {
            bytes +=
                random() % 3 == 0 ? pieces[random() % std::size(pieces)] : std::string(1, static_cast<char>(random()));
        }
        const TranslationCatalog catalog = ReadCatalog(bytes);
        for (const auto& line : catalog) {
            ASSERT_EQ(line.find_first_of(L"\r\n"), std::wstring::npos);
        }
        if (!catalog.empty()) {
            const std::wstring& some = catalog[random() % catalog.size()];
            static_cast<void>(Translate(catalog, some.substr(some.find(L'=') + 1), L"en"));
        }
    }
}

TEST(GetUserLanguage, TwoLettersOrEnglish) {
    EXPECT_EQ(LanguageOf(L"ko"), L"ko");
    EXPECT_EQ(LanguageOf(L"fil"), L"fi"); // three letters are cut to two
    EXPECT_EQ(LanguageOf(L""), L"en");
}

} // namespace
