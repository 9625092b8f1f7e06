#pragma once
// Writes a package holding only a main document part, as the Word targets
// wrap an input that is not itself a zip.
#include <zip.h>

#include <filesystem>
#include <string_view>

#include "tests/fuzz/fuzz_support.h"

namespace kav::fuzz {

inline void writeDocx(const std::filesystem::path& file, std::string_view documentXml) {
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    KAV_FUZZ_CHECK(z != nullptr);
    zip_source_t* src = zip_source_buffer(z, documentXml.data(), documentXml.size(), 0);
    zip_int64_t index = zip_file_add(z, "word/document.xml", src, ZIP_FL_OVERWRITE);
    KAV_FUZZ_CHECK(index >= 0);
    // Stored, not deflated: writing stays cheap for every input.
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    KAV_FUZZ_CHECK(zip_close(z) == 0);
}

}  // namespace kav::fuzz
