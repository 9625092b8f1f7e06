#pragma once
// The candidate folder as a pack holds it, and back: for packing at hand-in,
// and for grading the Windows task again on the teacher's side.
#include <filesystem>
#include <string>
#include <vector>

#include "common/pack/work_pack.h"

namespace kav::pack {

struct FolderReading {
    std::vector<PackedFile> files;  // in path order
    std::string note;               // what was left out and why ("" when nothing)
};

// Every file and folder under `folder`, with the attribute word the Windows
// task's grading reads. Symbolic links and other special files are not
// followed nor packed, and a file that cannot be read is left out; the note
// names them. When the files together hold more than `limit` bytes, none is
// packed and the note says so.
FolderReading readCandidateFolder(const std::filesystem::path& folder, std::size_t limit = kMaxPackedBytes);

// Writes the files into `folder` (made when missing; it should be empty), then
// gives each file and folder its read-only and hidden attributes. PackError
// naming the file that could not be written.
void unpackFolder(const std::vector<PackedFile>& files, const std::filesystem::path& folder);

}  // namespace kav::pack
