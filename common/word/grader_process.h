#pragma once
// The Word grading program's side of out-of-process grading, and the format
// in which its grade travels back through a pipe.
//
// The grading program is started with the document's path as its only
// argument, reads the answer text from its standard input to the end, grades,
// and writes the encoded grade to its standard output. The format is
// versioned and every field is length-prefixed, so that a child that died
// half-way or wrote something else is told apart from a grade.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/word/grading.h"

namespace kav::word {

// The grading program's exit status when an allocation failed (its memory
// limit was reached): nothing is written then.
constexpr int kGraderOutOfMemory = 3;
// Its exit status when started wrongly or when it could not write its result.
constexpr int kGraderUsage = 2;

std::string encodeGrade(const WordGrade& grade);
// nullopt for anything that is not exactly one well-formed grade of the
// current version (truncated, trailing bytes, out-of-range numbers).
std::optional<WordGrade> decodeGrade(std::string_view bytes);

using GradeFunction = std::function<WordGrade(const std::filesystem::path& document, const std::string& answerText)>;
// The whole grading program: arguments, input, the out-of-memory exit, output.
int runGraderProgram(int argc, char** argv, const GradeFunction& grade);

}  // namespace kav::word
