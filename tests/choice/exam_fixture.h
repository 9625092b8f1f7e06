#pragma once
// A student machine with one candidate who has drawn thirty choice questions:
// a real stu.mdb and teacher.mdb in a temporary folder, with the four cursors
// that the exam client holds (ct and student on the candidate's rows).
#include <memory>
#include <string>
#include <vector>

#include "client/screens/choice/choice_screen.h"
#include "common/db/database.h"
#include "common/db/schema.h"
#include "tests/support/temp_dir.h"

namespace kav::test {

struct ExamSetup {
    int bankSize = 40;
    int havelogined = 1;
    std::string sel_arr1;  // empty: the standard draw (position 7n mod 40 + 1 for question n)
    std::string sel_arr2;  // empty: the bank's letters of the drawn questions
    std::string sel_arr3;
    int korl = 1;
    // Pictures: position in the bank → bytes of the image field.
    std::vector<std::pair<int, db::Blob>> pictures;
};

class ExamFixture {
public:
    explicit ExamFixture(const ExamSetup& setup = {});

    choice::ChoiceScreen::Tables tables() { return {*ct, *student, *selecttest, *state}; }
    // sel_arr3 as the file holds it now (read through a fresh cursor).
    std::string storedAnswers();
    // The console changes the station mode in teacher.mdb.
    void setKorl(int korl);

    static int standardPosition(int question) { return question * 7 % 40 + 1; }
    static std::string letterAt(int position) { return std::string(1, "abcd"[position % 4]); }
    static std::string stemAt(int position) { return "第" + std::to_string(position) + "道题的题干"; }
    static std::string optionAt(int position, char letter) {
        return std::string(1, letter) + "项-" + std::to_string(position);
    }
    // The standard sel_arr2, as the drawing stored it.
    std::string standardCorrect() const;

    TempDir dir;
    std::unique_ptr<db::Connection> stu, teacher;
    std::unique_ptr<db::Cursor> ct, student, selecttest, state;
};

}  // namespace kav::test
