#include "widgets/Logo_win.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "base/Handles_win.h"
#include "resources/ResourceIds.h"
#include "widgets/Dpi_win.h"

namespace {

// Resource image: "RBIM", uint32 width, uint32 height, then BGRA pixels, premultiplied, top-down.
struct RbimHeader {
    char magic[4];
    std::uint32_t width;
    std::uint32_t height;
};

UniqueHbitmap LoadRbim(HINSTANCE instance, int resourceId, SIZE& size) {
    HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL handle = info ? ::LoadResource(instance, info) : nullptr;
    const auto* bytes = handle ? static_cast<const unsigned char*>(::LockResource(handle)) : nullptr;
    DWORD length = info ? ::SizeofResource(instance, info) : 0;
    if (!bytes || length < sizeof(RbimHeader)) {
        return {};
    }
    RbimHeader header;
    std::memcpy(&header, bytes, sizeof(header));
    if (std::memcmp(header.magic, "RBIM", 4) != 0 || header.width == 0 || header.height == 0 || header.width > 4096 ||
        header.height > 4096 || length - sizeof(header) < std::uint64_t{header.width} * header.height * 4) {
        return {};
    }
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = static_cast<LONG>(header.width);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(header.height); // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap) {
        return {};
    }
    std::memcpy(pixels, bytes + sizeof(header), std::size_t{header.width} * header.height * 4);
    size = {static_cast<LONG>(header.width), static_cast<LONG>(header.height)};
    return bitmap;
}

int ResourceForDpi(UINT dpi) {
    if (dpi >= dpi::kDefault * 2) {
        return IDR_LOGO_200;
    }
    if (dpi >= dpi::kDefault * 3 / 2) {
        return IDR_LOGO_150;
    }
    return IDR_LOGO_100;
}

// The image a logo window shows, loaded once per resource (the DPI picks the resource).
struct LogoImage {
    int resourceId = 0;
    SIZE size{};
    UniqueHbitmap bitmap;
};

LogoImage& ImageFor(HWND hwnd) {
    auto* image = reinterpret_cast<LogoImage*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const int resourceId = ResourceForDpi(dpi::ForWindow(hwnd));
    if (image->resourceId != resourceId) {
        auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
        image->bitmap = LoadRbim(instance, resourceId, image->size);
        image->resourceId = resourceId;
    }
    return *image;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client;
    ::GetClientRect(hwnd, &client);
    const int width = client.right, height = client.bottom;

    // Drawn off-screen first so the logo never flickers.
    UniqueHdc memory(::CreateCompatibleDC(dc));
    UniqueHbitmap canvas(::CreateCompatibleBitmap(dc, width, height));
    if (memory && canvas) {
        SelectObjectScope canvasScope(memory.get(), canvas.get());
        ::FillRect(memory.get(), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));

        const LogoImage& image = ImageFor(hwnd);
        const SIZE size = image.size;
        if (image.bitmap) {
            UniqueHdc source(::CreateCompatibleDC(dc));
            SelectObjectScope logoScope(source.get(), image.bitmap.get());
            // Keep the aspect ratio, centred vertically, left-aligned as in the header design.
            int drawWidth = width;
            int drawHeight = ::MulDiv(size.cy, width, size.cx);
            if (drawHeight > height) {
                drawHeight = height;
                drawWidth = ::MulDiv(size.cx, height, size.cy);
            }
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            ::SetStretchBltMode(memory.get(), HALFTONE);
            ::AlphaBlend(memory.get(), 0, (height - drawHeight) / 2, drawWidth, drawHeight, source.get(), 0, 0, size.cx,
                         size.cy, blend);
        }
        ::BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK LogoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCCREATE: {
        auto* image = new (std::nothrow) LogoImage;
        if (!image) {
            return FALSE; // the window is not created
        }
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image));
        break;
    }
    case WM_NCDESTROY:
        delete reinterpret_cast<LogoImage*>(::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0));
        break;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        ::SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        if (::GetCapture() != hwnd) {
            return 0;
        }
        ::ReleaseCapture();
        RECT client;
        ::GetClientRect(hwnd, &client);
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (::PtInRect(&client, at)) {
            ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd), STN_CLICKED),
                           reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    case WM_DPICHANGED_AFTERPARENT:
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterLogoClass(HINSTANCE instance) {
    WNDCLASSEXW wc{sizeof(wc)};
    if (::GetClassInfoExW(instance, kLogoClass, &wc)) {
        return;
    }
    wc.lpfnWndProc = LogoProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_HAND);
    wc.lpszClassName = kLogoClass;
    ::RegisterClassExW(&wc);
}
