#include "base/Clock_win.h"

#include <windows.h>

namespace {
class LocalClock final : public Clock {
public:
    TDateTime Now() override {
        SYSTEMTIME t;
        ::GetLocalTime(&t);
        return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    }
};
} // namespace

Clock& SystemClock() {
    static LocalClock clock;
    return clock;
}
