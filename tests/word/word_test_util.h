#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/word/document.h"
#include "common/word/grading.h"

namespace kav::word::test {

std::filesystem::path fixture(const std::string& name);
// The document of a committed fixture, read once per test binary.
const Document& fixtureDoc(const std::string& name);
// Grades a single rule (worth 1 point) against a document.
RuleResult gradeOne(const Document& doc, const std::string& rule);

// Writes a zip whose entries are (name, bytes); stored when `store`.
void writeZip(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& entries,
              bool store = false);
// A main document part whose body is `body`, with w: bound as usual.
std::string documentXml(const std::string& body);

}  // namespace kav::word::test
