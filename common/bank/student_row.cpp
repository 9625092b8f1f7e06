#include "common/bank/student_row.h"

#include "common/core/datetime.h"

namespace mendrix::bank {

void applyStudentRowRule(kav::db::Cursor& student) {
    student.field("kstime").setDateTime(kav::DateTime::zero());
    for (const char* column : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
        student.field(column).setInteger(0);
}

}  // namespace mendrix::bank
