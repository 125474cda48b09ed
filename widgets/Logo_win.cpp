#include "widgets/Logo_win.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "base/Handles_win.h"
#include "base/WindowClass_win.h"
#include "resources/ResourceIds.h"
#include "widgets/LogoImage.h"

namespace {

// The logo's design box at 96 DPI, and its renditions (make-art.sh renders one per scale).
constexpr int kLogoWidth = 112, kLogoHeight = 50;
constexpr int kRenditions[] = {IDR_LOGO_100, IDR_LOGO_125, IDR_LOGO_150, IDR_LOGO_175,
                               IDR_LOGO_200, IDR_LOGO_250, IDR_LOGO_300};

std::span<const std::uint8_t> ResourceBytes(HINSTANCE instance, int resourceId) {
    HRSRC info = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
    HGLOBAL handle = info ? ::LoadResource(instance, info) : nullptr;
    const auto* bytes = handle ? static_cast<const std::uint8_t*>(::LockResource(handle)) : nullptr;
    return bytes ? std::span<const std::uint8_t>(bytes, ::SizeofResource(instance, info))
                 : std::span<const std::uint8_t>();
}

// The logo at `width` x `height`: the rendition of that size, or the nearest larger one scaled
// down, as a premultiplied 32-bit bitmap.
UniqueHbitmap LogoBitmap(HINSTANCE instance, int width, int height) {
    std::vector<logo_image::Size> sizes;
    for (int id : kRenditions) {
        sizes.push_back(logo_image::ReadSize(ResourceBytes(instance, id)).value_or(logo_image::Size{}));
    }
    const int pick = logo_image::PickRendition(sizes, width, height);
    if (pick < 0) {
        return {};
    }
    auto image = logo_image::Decode(ResourceBytes(instance, kRenditions[pick]));
    if (!image) {
        return {};
    }
    if (image->width != width || image->height != height) {
        *image = logo_image::Resample(*image, width, height);
    }
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = image->width;
    bmi.bmiHeader.biHeight = -image->height; // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueHbitmap bitmap(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || image->pixels.empty()) {
        return {};
    }
    std::memcpy(pixels, image->pixels.data(), image->pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

// The image a logo window shows, made once per size.
struct LogoImage {
    SIZE size{};
    UniqueHbitmap bitmap;
};

// The logo's size in a client area of `width` x `height`: as wide as it is, unless that makes it
// too high, keeping the design's proportions (rounded as the window's lengths are).
SIZE FittedSize(int width, int height) {
    SIZE size{width, ::MulDiv(kLogoHeight, width, kLogoWidth)};
    if (size.cy > height) {
        size = {::MulDiv(kLogoWidth, height, kLogoHeight), height};
    }
    return size;
}

LogoImage& ImageFor(HWND hwnd, SIZE size) {
    auto* image = reinterpret_cast<LogoImage*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (image->size.cx != size.cx || image->size.cy != size.cy) {
        auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd, GWLP_HINSTANCE));
        image->bitmap = LogoBitmap(instance, size.cx, size.cy);
        image->size = size;
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

        const SIZE size = FittedSize(width, height);
        const LogoImage& image = ImageFor(hwnd, size);
        if (image.bitmap && size.cx > 0 && size.cy > 0) {
            UniqueHdc source(::CreateCompatibleDC(dc));
            SelectObjectScope logoScope(source.get(), image.bitmap.get());
            // Pixel for pixel, centred vertically, left-aligned as in the header design.
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            ::AlphaBlend(memory.get(), 0, (height - size.cy) / 2, size.cx, size.cy, source.get(), 0, 0, size.cx,
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
    wc.lpfnWndProc = LogoProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_HAND);
    wc.lpszClassName = kLogoClass;
    RegisterClassOnce(wc);
}
