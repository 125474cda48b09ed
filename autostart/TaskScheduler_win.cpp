#include "autostart/TaskScheduler_win.h"

HRESULT CreateTaskService(ComPtr<ITaskService>& Service) noexcept {
    Service.Reset();
    return ::CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_PPV_ARGS(Service.GetAddressOf()));
}
