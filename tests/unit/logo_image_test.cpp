#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "widgets/LogoImage.h"

namespace {

using namespace logo_image;

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void PutU16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// An RBRL image from its runs: {transparent count, pixels that follow}.
struct Run {
    std::uint16_t clear;
    std::vector<std::uint32_t> drawn;
};
Bytes Encode(std::uint32_t width, std::uint32_t height, const std::vector<Run>& runs) {
    Bytes b = {'R', 'B', 'R', 'L'};
    PutU32(b, width);
    PutU32(b, height);
    for (const auto& run : runs) {
        PutU16(b, run.clear);
        PutU16(b, static_cast<std::uint16_t>(run.drawn.size()));
        for (std::uint32_t p : run.drawn) {
            PutU32(b, p);
        }
    }
    return b;
}

constexpr std::uint32_t kBlue = 0xFFDD843D; // opaque, B G R A in memory: 3D 84 DD FF

TEST(LogoImage, DecodesRunsOfTransparentAndDrawnPixels) {
    const Bytes bytes = Encode(3, 2, {{2, {kBlue}}, {1, {0x80402010, kBlue}}});
    const auto size = ReadSize(bytes);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 3);
    EXPECT_EQ(size->height, 2);
    const auto image = Decode(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{0, 0, kBlue, 0, 0x80402010, kBlue}));
    // A whole transparent image is one run.
    const auto empty = Decode(Encode(4, 1, {{4, {}}}));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->pixels, std::vector<std::uint32_t>(4, 0));
}

TEST(LogoImage, RefusesWhatIsNotExactlyOneImage) {
    const Bytes good = Encode(3, 2, {{2, {kBlue}}, {1, {kBlue, kBlue}}});
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 12)},
        {"cut inside a run", Bytes(good.begin(), good.end() - 1)},
        {"another magic",
         [&] {
             Bytes b = good;
             b[0] = 'X';
             return b;
         }()},
        {"trailing bytes",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }()},
        {"a run past the image's end", Encode(3, 2, {{2, {kBlue}}, {2, {kBlue, kBlue}}})},
        {"a run of nothing", Encode(3, 2, {{0, {}}, {6, {}}})},
        {"too few pixels", Encode(3, 2, {{5, {}}})},
        {"no width", Encode(0, 2, {})},
        {"no height", Encode(3, 0, {})},
        {"too wide", Encode(kMaxSide + 1, 1, {{1, {}}})},
        {"a huge image of few bytes", Encode(kMaxSide, kMaxSide, {{0xFFFF, {}}})},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Decode(c.bytes)) << c.what;
    }
}

TEST(LogoImage, ResamplingAveragesTheAreaEachPixelCovers) {
    Image source{4, 2, {kBlue, kBlue, 0, 0, kBlue, kBlue, 0, 0}};
    const Image same = Resample(source, 4, 2);
    EXPECT_EQ(same.pixels, source.pixels);
    const Image half = Resample(source, 2, 1);
    EXPECT_EQ(half.pixels, (std::vector<std::uint32_t>{kBlue, 0}));
    const Image one = Resample(source, 1, 1); // half blue, half transparent, premultiplied
    EXPECT_EQ(one.pixels, std::vector<std::uint32_t>{0x806F421F});
    // Three pixels into two: the middle one shared.
    Image row{3, 1, {0xFF000000, 0xFF0000FF, 0xFF000000}};
    EXPECT_EQ(Resample(row, 2, 1).pixels, (std::vector<std::uint32_t>{0xFF000055, 0xFF000055}));
    EXPECT_TRUE(Resample(source, 0, 3).pixels.empty());
}

TEST(LogoImage, PicksTheRenditionOfTheSizeOrTheNearestLarger) {
    const Size sizes[] = {{112, 50}, {140, 63}, {168, 75}, {224, 100}, {336, 150}};
    EXPECT_EQ(PickRendition(sizes, 140, 63), 1);
    EXPECT_EQ(PickRendition(sizes, 112, 50), 0);
    EXPECT_EQ(PickRendition(sizes, 196, 88), 3) << "175 %: from 200 %";
    EXPECT_EQ(PickRendition(sizes, 100, 45), 0) << "smaller than all: the smallest larger";
    EXPECT_EQ(PickRendition(sizes, 500, 223), 4) << "larger than all: the largest";
    EXPECT_EQ(PickRendition(sizes, 150, 80), 3) << "larger in both directions";
    EXPECT_EQ(PickRendition({}, 10, 10), -1);
}

// The renditions the program carries: one per scale, the size the window draws at that scale,
// premultiplied (no colour brighter than its alpha allows), drawn in part.
TEST(LogoImage, TheCommittedRenditionsFitTheirScales) {
    for (int percent : {100, 125, 150, 175, 200, 250, 300}) {
        const std::string path =
            std::string(RAMBROOM_SOURCE_DIR) + "/resources/generated/logo_" + std::to_string(percent) + ".rbrl";
        std::ifstream file(path, std::ios::binary);
        ASSERT_TRUE(file) << path;
        const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const auto image = Decode(bytes);
        ASSERT_TRUE(image) << path;
        EXPECT_EQ(image->width, (112 * percent + 50) / 100) << path;
        EXPECT_EQ(image->height, (50 * percent + 50) / 100) << path;
        int drawn = 0;
        for (std::uint32_t p : image->pixels) {
            const std::uint32_t alpha = p >> 24;
            drawn += alpha != 0;
            ASSERT_TRUE((p & 0xFF) <= alpha && (p >> 8 & 0xFF) <= alpha && (p >> 16 & 0xFF) <= alpha) << path;
        }
        EXPECT_GT(drawn, image->width * image->height / 20) << path;
    }
}

} // namespace
