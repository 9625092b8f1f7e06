#pragma once
// Grading a document in a separate process, so that a document that crashes
// a reader, never finishes or allocates without end costs that task its
// points and nothing else: the hand-in or collection goes on.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include <vector>

#include "common/word/grader_process.h"
#include "common/word/grading.h"

namespace kav::word {

// Every failure's reason starts with this text, in readError and in the
// stored result text.
inline constexpr std::string_view kUngradable = "Word文档无法评分：";

// Real exam documents grade in milliseconds. Measured near the reader's
// 2,000,000-character cap, the grader needs 320 to 352 MB of address space
// for a python-docx save of 1,800,000 characters (302 MB resident) and 192 to
// 256 MB for a Writer save of 1,950,000 (238 MB resident); a document at the
// reader's budget of 256 MB (kMaxDocumentBytes) with a model at the cap comes
// to some 450 MB. The limits leave room above that and still end a runaway
// grader quickly enough for a hand-in: a candidate waits at most the wall time.
struct GraderLimits {
    std::chrono::milliseconds wallTime{10000};  // then the grader is killed
    int cpuSeconds = 8;                         // RLIMIT_CPU: SIGXCPU, then SIGKILL a second later
    std::uint64_t memoryBytes = 512ull << 20;   // RLIMIT_AS: see above
};

// Runs the grading program `grader` on the document with the answer text
// (see common/word/grader_process.h). Any failure of the child (cannot be
// started, killed by a signal, over a limit, malformed output) gives a
// grade of 0 whose readError is kUngradable plus the reason and whose result
// text begins with it.
WordGrade gradeWordTaskIsolated(const std::filesystem::path& grader, const std::filesystem::path& document,
                                const std::string& answerText, const GraderLimits& limits = {});

// Reads rule values off a model document with the grading program's reading
// mode, under the same limits: any failure of the child is the readError
// (the reason alone, without kUngradable), with no readings.
ModelValues readModelValuesIsolated(const std::filesystem::path& grader, const std::filesystem::path& document,
                                    const std::vector<ValueRequest>& requests, const GraderLimits& limits = {});

// The grade of a document that could not be graded, with the reason.
WordGrade ungradable(const std::string& answerText, const std::string& reason);

// The grading program: next to the running executable, the one of the build
// tree for a program run from there, otherwise where the station's or the
// console's package installs it.
std::filesystem::path installedWordGrader();

}  // namespace kav::word
