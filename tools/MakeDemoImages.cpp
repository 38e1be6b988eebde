// Draws the demo's three pictures and writes them as PNG files into the
// directory given as the only argument: "load.gra" (a 128 × 96 RGBA badge),
// "snow.png" (a 12 × 12 grey flake) and "snow2.png" (a 6 × 6 grey+alpha dot).
// Only exact arithmetic and sqrt are used and no time chunk is written, so
// the files come out the same to the byte on every run.

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Picture {
    uint32_t width;
    uint32_t height;
    int colorType;  // 8-bit samples
    int channels;
    std::vector<uint8_t> samples;  // rows top-down, no padding
};

double clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

double smoothstep(double edge0, double edge1, double v) {
    const double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

uint8_t toByte(double v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0)); }

// Signed distance from a pixel centre to the edge of a rounded rectangle
// centred at (cx, cy): negative inside.
double roundedBoxDistance(double x, double y, double cx, double cy, double halfW, double halfH, double radius) {
    const double qx = std::fabs(x - cx) - (halfW - radius);
    const double qy = std::fabs(y - cy) - (halfH - radius);
    const double outside = std::sqrt(std::max(qx, 0.0) * std::max(qx, 0.0) + std::max(qy, 0.0) * std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

Picture drawBadge() {
    Picture p{128, 96, PNG_COLOR_TYPE_RGB_ALPHA, 4, {}};
    p.samples.resize(std::size_t{p.width} * p.height * 4);
    const double warm[3] = {255.0, 176.0, 48.0};
    const double cool[3] = {112.0, 48.0, 208.0};
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            const double d = roundedBoxDistance(px, py, 64.0, 48.0, 60.0, 44.0, 22.0);
            const double coverage = clamp01(0.5 - d);
            // Diagonal gradient, a darker rim just inside the edge and a soft
            // highlight across the upper part.
            const double t = clamp01((px + 1.25 * py) / (128.0 + 1.25 * 96.0));
            const double rim = 1.0 - 0.35 * smoothstep(-4.0, -2.5, d);
            const double hx = (px - 64.0) / 52.0;
            const double hy = (py - 26.0) / 16.0;
            const double highlight = 0.3 * clamp01(1.0 - (hx * hx + hy * hy));
            uint8_t* out = &p.samples[(std::size_t{y} * p.width + x) * 4];
            for (int c = 0; c < 3; ++c) {
                const double base = (warm[c] + (cool[c] - warm[c]) * t) / 255.0;
                out[c] = toByte(base * rim + (1.0 - base * rim) * highlight);
            }
            out[3] = toByte(coverage);
        }
    }
    return p;
}

// Brightness 1 at the centre falling smoothly to 0 at radius.
double radialFalloff(uint32_t x, uint32_t y, double centre, double radius) {
    const double dx = x + 0.5 - centre;
    const double dy = y + 0.5 - centre;
    return smoothstep(0.0, 1.0, 1.0 - std::sqrt(dx * dx + dy * dy) / radius);
}

Picture drawFlake() {
    Picture p{12, 12, PNG_COLOR_TYPE_GRAY, 1, {}};
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) p.samples.push_back(toByte(radialFalloff(x, y, 6.0, 6.0)));
    return p;
}

Picture drawDot() {
    Picture p{6, 6, PNG_COLOR_TYPE_GRAY_ALPHA, 2, {}};
    for (uint32_t y = 0; y < p.height; ++y) {
        for (uint32_t x = 0; x < p.width; ++x) {
            p.samples.push_back(255);
            p.samples.push_back(toByte(radialFalloff(x, y, 3.0, 3.0)));
        }
    }
    return p;
}

// setjmp lives alone here: nothing with a destructor in this frame.
bool writeProtected(png_structp png, png_infop info, std::FILE* file, const Picture* p, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, p->width, p->height, 8, p->colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

bool writePng(const std::string& path, const Picture& p) {
    std::vector<png_bytep> rows(p.height);
    const std::size_t rowBytes = std::size_t{p.width} * static_cast<std::size_t>(p.channels);
    for (uint32_t y = 0; y < p.height; ++y) rows[y] = const_cast<png_bytep>(&p.samples[y * rowBytes]);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr && writeProtected(png, info, file, &p, rows.data());
    png_destroy_write_struct(&png, &info);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const bool ok = writePng(dir + "load.gra", drawBadge()) && writePng(dir + "snow.png", drawFlake()) &&
                    writePng(dir + "snow2.png", drawDot());
    if (!ok) {
        std::fprintf(stderr, "%s: cannot write the demo images into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
