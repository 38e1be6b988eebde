#pragma once
// A fresh directory holding the three image files the Scene reads, made the
// current directory for the life of the object. The pictures are small and
// plain: what the tests look at is their sizes and who shares them.

#include <string>

class DemoImageDirectory {
public:
    static constexpr int kBadgeWidth = 64;
    static constexpr int kBadgeHeight = 48;
    static constexpr int kSnowSize = 8;
    static constexpr int kSmallSnowSize = 4;

    enum class Content { AllFiles, NoFiles };

    explicit DemoImageDirectory(Content content = Content::AllFiles);
    ~DemoImageDirectory();
    DemoImageDirectory(const DemoImageDirectory&) = delete;
    DemoImageDirectory& operator=(const DemoImageDirectory&) = delete;

    void removeFile(const std::string& name);
    void writeFile(const std::string& name, const std::string& bytes);

private:
    std::string path_;
    std::string previous_;
};
