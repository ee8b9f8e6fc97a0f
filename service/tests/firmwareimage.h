#pragma once
// Firmware images for the update tests: random bytes with the marker at 0xFFFA.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace fprn::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes MakeImage(std::size_t size, std::uint32_t seed, const char* marker = "PL") {
    Bytes image(size);
    std::mt19937 rng(seed);
    for (auto& b : image) b = static_cast<std::uint8_t>(rng());
    if (size >= 65532) {
        image[65530] = static_cast<std::uint8_t>(marker[0]);
        image[65531] = static_cast<std::uint8_t>(marker[1]);
    }
    return image;
}

// 16-bit sum of the first `count` bytes.
inline std::uint16_t SumOf(const Bytes& image, std::size_t count) {
    return static_cast<std::uint16_t>(
        std::accumulate(image.begin(), image.begin() + static_cast<long>(count), 0u));
}

// A 64 KiB image as the printer holds it after the download: block 255 ends with the sum.
inline Bytes WithSum(Bytes image) {
    std::uint16_t sum = SumOf(image, 65534);
    image[65534] = static_cast<std::uint8_t>(sum & 0xFF);
    image[65535] = static_cast<std::uint8_t>(sum >> 8);
    return image;
}

inline std::string WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path.string();
}

} // namespace fprn::test
