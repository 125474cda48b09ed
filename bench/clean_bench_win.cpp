// Drives the programs bench/run.sh measures, from inside their Wine prefix.
//
//   clean_bench clean COUNT     cleans with RamBroom's clean button, one after the other
//   clean_bench close CLASS     WM_CLOSE to the window of that class (RamBroom's and the floor's hide)
//   clean_bench quit CLASS      WM_USER with wParam 2 to it (both programs quit)
//
// Each clean: BM_CLICK to the button (its handler starts the job and disables the button before
// it returns), then the time until the button is enabled again, the job's idle state. Prints
// "clean_us=<median>" and "clean_max_us=<max>" in microseconds. Exit 1 when the window or the
// button is missing or a clean takes longer than 30 s.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/FormDescription.h"
#include "bench/BenchTiming_win.h"

namespace {

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (::GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: clean_bench clean COUNT | close CLASS | quit CLASS\n");
        return 2;
    }
    const std::wstring command = argv[1];
    if (command == L"close" || command == L"quit") {
        HWND window = ::FindWindowW(argv[2], nullptr);
        return window &&
                       ::PostMessageW(window, command == L"close" ? WM_CLOSE : WM_USER, command == L"close" ? 0 : 2, 0)
                   ? 0
                   : 1;
    }
    const int count = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    if (count < 1) {
        std::fprintf(stderr, "clean_bench: COUNT must be 1 or more\n");
        return 2;
    }
    HWND main = ::FindWindowW(std::wstring(form::kWindowClass).c_str(), nullptr);
    ChildSearch search{form::Controls()[form::Ctl("BtnClean").value].id, nullptr};
    if (main) {
        ::EnumChildWindows(main, FindChild, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.found) {
        std::fprintf(stderr, "no clean button\n");
        return 1;
    }
    HWND button = search.found;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        // The previous job's end (the button enabled) comes before its worker has quite gone.
        for (int wait = 0; wait < 30000 && !::IsWindowEnabled(button); ++wait) {
            ::Sleep(1);
        }
        const std::int64_t start = bench::Ticks();
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &answer)) {
            std::fprintf(stderr, "the clean button did not answer\n");
            return 1;
        }
        while (!::IsWindowEnabled(button)) {
            if ((bench::Ticks() - start) / frequency.QuadPart > 30) {
                std::fprintf(stderr, "a clean took longer than 30 s\n");
                return 1;
            }
            ::Sleep(0);
        }
        times.push_back(static_cast<double>(bench::Ticks() - start) * 1e6 / static_cast<double>(frequency.QuadPart));
    }
    double longest = 0;
    for (double t : times) {
        longest = t > longest ? t : longest;
    }
    std::printf("clean_us=%.0f\nclean_max_us=%.0f\n", bench::Median(times.data(), static_cast<int>(times.size())),
                longest);
    return 0;
}
