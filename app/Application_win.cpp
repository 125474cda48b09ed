#include "app/Application_win.h"

#include <atomic>

namespace {
std::atomic<bool> gTerminating{false};
}

std::wstring& ApplicationTitle() {
    static std::wstring title;
    return title;
}

bool ApplicationTerminating() { return gTerminating.load(); }
void SetApplicationTerminating() { gTerminating.store(true); }
