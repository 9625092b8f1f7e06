#pragma once
// A file built into the program (see kav_embed_files in cmake/KavEmbed.cmake).
#include <cstddef>
#include <string_view>

namespace kav {

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;

    std::string_view bytes() const { return {reinterpret_cast<const char*>(data), size}; }
};

}  // namespace kav
