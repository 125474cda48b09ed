#include <gtest/gtest.h>

#include <string>

#include "update/UpdateText.h"

namespace {

TEST(UpdateText, TheLanguageCodeChoosesTheTextsExactly) {
    struct Case {
        const wchar_t* language;
        const wchar_t* status;
        const wchar_t* yes;
        const wchar_t* no;
    } cases[] = {
        {L"ko", L"업데이트 가능", L"예", L"아니오"},
        {L"ja", L"アップデート可", L"はい", L"いいえ"},
        {L"zh", L"可更新", L"是", L"否"},
        {L"de", L"Update möglich", L"Ja", L"Nein"},
        {L"ru", L"Обновление", L"Да", L"Нет"},
        {L"it", L"Aggiornabile", L"Sì", L"No"},
        {L"fr", L"Maj dispo", L"Oui", L"Non"},
        {L"en", L"Update available", L"Yes", L"No"},
        {L"pt", L"Update available", L"Yes", L"No"},
        {L"", L"Update available", L"Yes", L"No"},
        {L"FR", L"Update available", L"Yes", L"No"}, // codes compare with case
        {L"ar", L"Update available", L"Yes", L"No"}, // no Arabic texts: English
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UpdateText(UpdateTextKind::StatusLine, c.language), c.status) << c.language;
        EXPECT_EQ(UpdateText(UpdateTextKind::YesButton, c.language), c.yes) << c.language;
        EXPECT_EQ(UpdateText(UpdateTextKind::NoButton, c.language), c.no) << c.language;
    }
}

TEST(UpdateText, ThePromptHasThreeParagraphsInEveryLanguage) {
    for (const wchar_t* language : {L"ko", L"ja", L"zh", L"de", L"ru", L"it", L"fr", L"en"}) {
        const std::wstring message(UpdateText(UpdateTextKind::PromptMessage, language));
        const auto first = message.find(L"\r\r");
        ASSERT_NE(first, std::wstring::npos) << language;
        const auto second = message.find(L"\r\r", first + 2);
        ASSERT_NE(second, std::wstring::npos) << language;
        EXPECT_EQ(message.find(L'\r', second + 2), std::wstring::npos) << language;
        EXPECT_EQ(message.find(L'\n'), std::wstring::npos) << language;
    }
    EXPECT_EQ(UpdateText(UpdateTextKind::PromptMessage, L"fr").substr(0, 30), L"Ce programme a été mis à jour.");
}

} // namespace
