#pragma once
// The Word grading program's side of out-of-process grading, and the format
// in which its grade travels back through a pipe.
//
// The grading program is started with the document's path as its only
// argument, reads the answer text from its standard input to the end, grades,
// and writes the encoded grade to its standard output. Started as
// "--read DOCUMENT" it reads rule values off a model document instead (the
// rule editor's "从样稿读取"): the requests in, the readings out. The format is
// versioned and every field is length-prefixed, so that a child that died
// half-way or wrote something else is told apart from a grade.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <vector>

#include "common/word/grading.h"
#include "common/word/rule_reading.h"

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

// One value to read: a rule kind's number and its positions.
struct ValueRequest {
    int kind = 0;
    std::vector<std::string> positions;
};
// The readings of a model document, one per request in order, or why the
// document could not be read (then no readings).
struct ModelValues {
    std::optional<std::string> readError;
    std::vector<RuleReading> readings;
};

std::string encodeValueRequests(const std::vector<ValueRequest>& requests);
std::optional<std::vector<ValueRequest>> decodeValueRequests(std::string_view bytes);
std::string encodeModelValues(const ModelValues& values);
// nullopt as decodeGrade, and for a number of readings other than `requests`.
std::optional<ModelValues> decodeModelValues(std::string_view bytes, std::size_t requests);

// Reads the document and each requested value off it, in this process. A
// request the reader does not take (an unknown kind, the wrong number of
// positions) gets a reading with the reason.
ModelValues readModelValues(const std::filesystem::path& document, const std::vector<ValueRequest>& requests);

using GradeFunction = std::function<WordGrade(const std::filesystem::path& document, const std::string& answerText)>;
// The whole grading program: arguments, input, the out-of-memory exit, output;
// "--read DOCUMENT" runs readModelValues.
int runGraderProgram(int argc, char** argv, const GradeFunction& grade);

}  // namespace kav::word
