#include "DemoImageDirectory.h"

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

// Straight (not premultiplied) RGBA, one colour everywhere.
void writePng(const std::string& path, int width, int height, const unsigned char rgba[4]) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = rgba[i % 4];
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) == 0) {
        throw std::runtime_error("cannot write " + path + ": " + image.message);
    }
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) throw std::runtime_error("getcwd failed");
    return buffer.data();
}

}  // namespace

DemoImageDirectory::DemoImageDirectory(Content content) : previous_(currentDirectory()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/tessary-scene-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (content == Content::AllFiles) {
        const unsigned char badge[4] = {200, 120, 40, 255};
        const unsigned char snow[4] = {255, 255, 255, 200};
        writePng(path_ + "/load.gra", kBadgeWidth, kBadgeHeight, badge);
        writePng(path_ + "/snow.png", kSnowSize, kSnowSize, snow);
        writePng(path_ + "/snow2.png", kSmallSnowSize, kSmallSnowSize, snow);
    }
    if (chdir(path_.c_str()) != 0) throw std::runtime_error("chdir failed");
}

DemoImageDirectory::~DemoImageDirectory() {
    if (chdir(previous_.c_str()) != 0) std::perror("chdir");
    for (const char* name : {"load.gra", "snow.png", "snow2.png"}) std::remove((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
}

void DemoImageDirectory::removeFile(const std::string& name) { std::remove((path_ + "/" + name).c_str()); }

void DemoImageDirectory::writeFile(const std::string& name, const std::string& bytes) {
    FILE* file = std::fopen((path_ + "/" + name).c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + name);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}
