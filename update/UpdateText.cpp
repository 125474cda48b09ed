#include "update/UpdateText.h"

#include <array>

namespace {

struct Texts {
    std::wstring_view language;
    std::array<std::wstring_view, 4> kinds; // in the order of UpdateTextKind
};

// English last: the answer for every other code.
constexpr Texts kTexts[] = {
    {L"ko",
     {L"업데이트 정보가 있습니다.\r\r안정적으로 사용하기 위해 업데이트를 하시길 권장합니다.\r\r다운로드 "
      L"받으시겠습니까?",
      L"업데이트 가능", L"예", L"아니오"}},
    {L"ja",
     {L"このプログラムがアップデートされました。\r\r安定的に使用するために新しくダウンロード·実行することをお勧めします"
      L"。\r\r"
      L"ダウンロードしますか。",
      L"アップデート可", L"はい", L"いいえ"}},
    {L"zh", {L"该程序已更新。\r\r建议下载并执行新程序以稳定使用。\r\r您要下载吗？", L"可更新", L"是", L"否"}},
    {L"de",
     {L"Dieses Programm ist aktualisiert worden.\r\rEs wird empfohlen, es herunterzuladen und neu auszuführen, um es "
      L"stabil zu verwenden.\r\rMöchten Sie es herunterladen?",
      L"Update möglich", L"Ja", L"Nein"}},
    {L"ru",
     {L"Данная программа была обновлена.\r\rРекомендуется скачать и выполнить новое для стабильного "
      L"использования.\r\rВы хотите загрузить ее?",
      L"Обновление", L"Да", L"Нет"}},
    {L"it",
     {L"È disponibile una nuova versione del programma.\r\rTi suggeriamo di scaricare ed aggiornare il "
      L"programma.\r\rVuoi scaricare la nuova versione del programma?",
      L"Aggiornabile", L"Sì", L"No"}},
    {L"fr",
     {L"Ce programme a été mis à jour.\r\rIl est recommandé de télécharger et d'exécuter la nouvelle version pour "
      L"une utilisation stable.\r\rVoulez-vous le télécharger?",
      L"Maj dispo", L"Oui", L"Non"}},
    {L"",
     {L"This program has been updated.\r\rIt is recommended to download and execute new for stable use.\r\rDo you "
      L"want to download it?",
      L"Update available", L"Yes", L"No"}},
};

} // namespace

std::wstring_view UpdateText(UpdateTextKind kind, std::wstring_view language) {
    const auto index = static_cast<std::size_t>(kind);
    for (const auto& texts : kTexts) {
        if (texts.language == language || texts.language.empty()) {
            return index < texts.kinds.size() ? texts.kinds[index] : std::wstring_view{};
        }
    }
    return {};
}
