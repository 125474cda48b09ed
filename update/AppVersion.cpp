#include "update/AppVersion.h"

std::wstring FormatAppVersion(std::wstring_view format, const std::optional<FileVersion>& version) {
    if (!version) {
        return L"0.0.0.0";
    }
    std::wstring text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L'd') {
                if (next < version->size()) {
                    text += std::to_wstring((*version)[next++]);
                }
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                text += L'%';
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

FileVersion SplitFileVersion(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
    return {static_cast<std::uint16_t>(mostSignificant >> 16), static_cast<std::uint16_t>(mostSignificant & 0xFFFF),
            static_cast<std::uint16_t>(leastSignificant >> 16), static_cast<std::uint16_t>(leastSignificant & 0xFFFF)};
}
