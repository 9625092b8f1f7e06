#pragma once
#include <filesystem>
#include <memory>
#include <string>

#include "common/word/document.h"
#include "common/word/grading.h"

namespace kav::word::test {

std::filesystem::path fixture(const std::string& name);
// The document of a committed fixture, read once per test binary.
const Document& fixtureDoc(const std::string& name);
// Grades a single rule (worth 1 point) against a document.
RuleResult gradeOne(const Document& doc, const std::string& rule);

}  // namespace kav::word::test
