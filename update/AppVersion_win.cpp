#include "update/AppVersion_win.h"

#include <windows.h>

#include <vector>

#include "update/AppVersion.h"

namespace {

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2); // truncated: long path
    }
}

std::optional<FileVersion> ReadFileVersion() {
    const std::wstring path = ModulePath();
    DWORD ignored = 0;
    DWORD size = path.empty() ? 0 : ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        return std::nullopt;
    }
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info ||
        infoLength < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    return SplitFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

} // namespace

std::wstring GetAppVersion(std::wstring_view format) { return FormatAppVersion(format, ReadFileVersion()); }
