#pragma once
#include "common/db/database.h"

namespace mendrix::bank {

// The row rule of every `student` row the console posts: the candidate stands
// as not yet logged in and not yet examined (kstime the zero date-time, the
// login count and every score 0). The cursor must be editing or appending.
void applyStudentRowRule(kav::db::Cursor& student);

}  // namespace mendrix::bank
