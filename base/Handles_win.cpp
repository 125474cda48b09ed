#include "base/Handles_win.h"

#include <objbase.h>

ComScope::ComScope() noexcept : hr_(::CoInitialize(nullptr)) {}
ComScope::~ComScope() { ::CoUninitialize(); }
