#pragma once
// What the fuzz targets share: a scratch file for readers that take a path,
// and a check that stops the run like a sanitizer finding when a reader breaks
// one of its own promises.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace kav::fuzz {

// Aborts with the broken promise; libFuzzer then saves the input as a crash.
#define KAV_FUZZ_CHECK(condition)                                                         \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "broken promise: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// A file of this process under the temporary folder, rewritten for each input
// and removed when the run ends.
class ScratchFile {
public:
    explicit ScratchFile(std::string_view name)
        : path_(std::filesystem::temp_directory_path() /
                ("kav-fuzz-" + std::to_string(::getpid()) + "-" + std::string(name))) {}
    ~ScratchFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    const std::filesystem::path& write(std::string_view bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::perror(path_.c_str());
            std::abort();
        }
        return path_;
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kav::fuzz
