#pragma once
// The candidate's work packed at hand-in and forced collection, after grading:
// the candidate folder as it stands, the typed text with its model, the drawn
// choice questions with the answers given, the answer texts graded with and
// the scores of the report.
#include <string>

#include "common/pack/work_pack.h"
#include "common/station/report.h"

namespace kavlor {

class Client;

// The pack of the current candidate's exam (the report's rows and the banks'
// drawn rows). Never throws for the work itself: what cannot be packed is
// named in the pack's note and in the log, and a folder over the bound gives a
// pack of the manifest alone, so that the scores are reported all the same.
kav::pack::WorkPack collectWork(Client& client, const kav::station::ExamReport& report);
// writePack of it; a pack that still cannot be written falls back to one
// with the note alone.
std::string packWork(const kav::pack::WorkPack& work);

}  // namespace kavlor
