// kavlor-word-grader: grades one candidate document for the exam client in a
// process of its own (see common/word/isolated_grading.h).
// Usage: kavlor-word-grader DOCUMENT < answer-text > grade
#include "common/word/grader_process.h"

int main(int argc, char** argv) { return kav::word::runGraderProgram(argc, argv, kav::word::gradeWordTask); }
