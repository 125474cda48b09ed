#pragma once
// COM ownership: ComPtr for interface pointers (WRL's, from the SDK; MinGW-w64 has it too) and a
// scope for CoInitialize.

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

template <typename T> using ComPtr = Microsoft::WRL::ComPtr<T>;

// CoInitialize(nullptr) for the scope; CoUninitialize runs in every case, also when
// CoInitialize failed, as the callers of the Task Scheduler expect.
class ComScope {
public:
    ComScope() noexcept : hr_(::CoInitialize(nullptr)) {}
    ~ComScope() { ::CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool ok() const noexcept { return SUCCEEDED(hr_); }
    HRESULT result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};
