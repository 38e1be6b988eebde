// Writes the starting corpus of the PNG fuzz target into the directory given:
// a small file of every colour type and bit depth, with and without a
// transparency chunk, plain and interlaced.

#include <png.h>

#include <cstdio>
#include <string>

#include "tests/io/PngFixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    using tessary::testing::PngPicture;
    const struct {
        int colorType;
        int depths[5];
    } kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},     {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},      {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    uint32_t seed = 1;
    int written = 0;
    try {
        for (const auto& kind : kinds) {
            for (int depth : kind.depths) {
                if (depth == 0) break;
                for (int variant = 0; variant < 4; ++variant) {
                    PngPicture p = tessary::testing::makeRandomPicture(5 + variant, 3 + variant, kind.colorType, depth, seed++);
                    p.interlaced = (variant & 1) != 0;
                    if ((variant & 2) != 0) {
                        if (kind.colorType == PNG_COLOR_TYPE_PALETTE) p.transparency = std::vector<uint16_t>{0, 128};
                        if (kind.colorType == PNG_COLOR_TYPE_GRAY) p.transparency = std::vector<uint16_t>{p.samples[0]};
                        if (kind.colorType == PNG_COLOR_TYPE_RGB)
                            p.transparency = std::vector<uint16_t>{p.samples[0], p.samples[1], p.samples[2]};
                        p.text = "seed";
                    }
                    const std::string name = std::string(argv[1]) + "/seed-" + std::to_string(kind.colorType) + "-" +
                                             std::to_string(depth) + "-" + std::to_string(variant) + ".png";
                    tessary::testing::writeFile(name, tessary::testing::encodePng(p));
                    ++written;
                }
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    std::printf("%d seeds written\n", written);
    return 0;
}
