#pragma once
// Medians of frame times and how far two pictures of the window differ.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tessary::bench {

inline double median(std::vector<double> samples) {
    if (samples.empty()) return 0.0;
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    if (samples.size() % 2 != 0) return *middle;
    return (*middle + *std::max_element(samples.begin(), middle)) / 2.0;
}

struct PictureDifference {
    double differentShare = 0;  // pixels that differ at all
    double farShare = 0;        // pixels with a channel more than 2 apart
    int maxChannelDifference = 0;
};

// Both 0x00RRGGBB, row-major, of the same size; a size mismatch counts as all different.
inline PictureDifference comparePictures(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    PictureDifference result;
    if (a.size() != b.size() || a.empty()) {
        result.differentShare = result.farShare = 1.0;
        result.maxChannelDifference = 255;
        return result;
    }
    std::size_t different = 0;
    std::size_t far = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        ++different;
        int largest = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int d = std::abs(static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF));
            largest = std::max(largest, d);
        }
        if (largest > 2) ++far;
        result.maxChannelDifference = std::max(result.maxChannelDifference, largest);
    }
    result.differentShare = static_cast<double>(different) / static_cast<double>(a.size());
    result.farShare = static_cast<double>(far) / static_cast<double>(a.size());
    return result;
}

}  // namespace tessary::bench
