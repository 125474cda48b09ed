#include "widgets/LogoImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace logo_image {
namespace {

constexpr std::size_t kHeaderSize = 12;

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

} // namespace

std::optional<Size> ReadSize(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "RBRL", 4) != 0) {
        return std::nullopt;
    }
    const std::uint32_t width = U32(bytes.data() + 4), height = U32(bytes.data() + 8);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        return std::nullopt;
    }
    return Size{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<Image> Decode(std::span<const std::uint8_t> bytes) {
    const auto size = ReadSize(bytes);
    if (!size) {
        return std::nullopt;
    }
    Image image{size->width, size->height, {}};
    const std::size_t total = static_cast<std::size_t>(size->width) * static_cast<std::size_t>(size->height);
    std::size_t at = kHeaderSize;
    while (image.pixels.size() < total) {
        if (bytes.size() - at < 4) {
            return std::nullopt; // cut short
        }
        const std::size_t clear = U16(bytes.data() + at), opaque = U16(bytes.data() + at + 2);
        at += 4;
        if (clear + opaque == 0) {
            return std::nullopt; // a run that gives nothing would never end
        }
        if (clear + opaque > total - image.pixels.size() || bytes.size() - at < opaque * 4) {
            return std::nullopt; // past the image's end, or past the data
        }
        image.pixels.insert(image.pixels.end(), clear, 0u);
        for (std::size_t i = 0; i < opaque; ++i, at += 4) {
            image.pixels.push_back(U32(bytes.data() + at));
        }
    }
    if (at != bytes.size()) {
        return std::nullopt; // more than one image's data
    }
    return image;
}

Image Resample(const Image& source, int width, int height) {
    Image out{width, height, {}};
    if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0) {
        out.width = out.height = 0;
        return out;
    }
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    const double sx = static_cast<double>(source.width) / width, sy = static_cast<double>(source.height) / height;
    for (int y = 0; y < height; ++y) {
        const double top = y * sy, bottom = (y + 1) * sy;
        for (int x = 0; x < width; ++x) {
            const double left = x * sx, right = (x + 1) * sx;
            double sum[4] = {0, 0, 0, 0}, area = 0;
            for (int v = static_cast<int>(top); v < std::min(source.height, static_cast<int>(std::ceil(bottom))); ++v) {
                const double h = std::min(bottom, v + 1.0) - std::max(top, static_cast<double>(v));
                for (int u = static_cast<int>(left); u < std::min(source.width, static_cast<int>(std::ceil(right)));
                     ++u) {
                    const double w = (std::min(right, u + 1.0) - std::max(left, static_cast<double>(u))) * h;
                    const std::uint32_t p = source.pixels[static_cast<std::size_t>(v) * source.width + u];
                    for (int c = 0; c < 4; ++c) {
                        sum[c] += w * static_cast<double>(p >> (8 * c) & 0xFF);
                    }
                    area += w;
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                const long value = area > 0 ? std::lround(sum[c] / area) : 0;
                pixel |= static_cast<std::uint32_t>(std::clamp(value, 0L, 255L)) << (8 * c);
            }
            out.pixels[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return out;
}

int PickRendition(std::span<const Size> sizes, int width, int height) {
    int exact = -1, larger = -1, largest = -1;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const Size& s = sizes[i];
        const int index = static_cast<int>(i);
        if (s.width == width && s.height == height) {
            exact = index;
        }
        if (s.width >= width && s.height >= height &&
            (larger < 0 || s.width * s.height < sizes[larger].width * sizes[larger].height)) {
            larger = index;
        }
        if (largest < 0 || s.width * s.height > sizes[largest].width * sizes[largest].height) {
            largest = index;
        }
    }
    return exact >= 0 ? exact : larger >= 0 ? larger : largest;
}

} // namespace logo_image
