#pragma once
// The header logo's images, without Windows. The logo is rendered from its vector source at
// several scales (resources/make-art.sh) and stored run-length encoded; the window draws the
// rendition made for its size, or the nearest larger one scaled down to it.
//
// Stored form ("RBRL"), little-endian: the magic "RBRL", uint32 width, uint32 height, then runs
// until width x height pixels are given, top row first: uint16 transparent pixels, uint16 pixels
// that follow as B, G, R, A bytes, premultiplied by alpha (as AlphaBlend with AC_SRC_ALPHA wants).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace logo_image {

inline constexpr std::uint32_t kMaxSide = 4096;

// Premultiplied pixels, 0xAARRGGBB each (B, G, R, A in memory), top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

struct Size {
    int width = 0;
    int height = 0;
};

// The size the header of stored bytes gives, or nothing when they are no RBRL image.
std::optional<Size> ReadSize(std::span<const std::uint8_t> bytes);
// The image, or nothing when the bytes are not exactly one well-formed RBRL image.
std::optional<Image> Decode(std::span<const std::uint8_t> bytes);

// The image resampled to `width` x `height` by area: each new pixel is the average of the source
// area it covers, so a logo scaled down stays smooth and its alpha exact.
Image Resample(const Image& source, int width, int height);

// Which of `sizes` to draw a `width` x `height` logo from: one of exactly that size, else the
// smallest that is at least as large in both directions, else the largest. -1 for none.
int PickRendition(std::span<const Size> sizes, int width, int height);

} // namespace logo_image
