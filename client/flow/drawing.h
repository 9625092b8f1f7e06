#pragma once
// The drawing of a first login and the exam record (the candidate's row of
// ct), with its copy to teacher.mdb at hand-in and forced collection.
#include <random>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/ui/dialogs.h"

namespace kav::station {
class StationPoll;
}

namespace kavlor {

class Client;

// The drawing-progress window TForm6.
class DrawingProgress {
public:
    void stepIt(int steps = 1);  // 15 per step, full at 100
    int position() const { return position_; }
    bool visible = false;

private:
    int position_ = 0;
};

struct ChoiceDraw {
    std::vector<int> positions;        // 30 different positions in selecttest, in drawing order
    std::vector<std::string> answers;  // their correct_sel in lower case
};

class Drawing {
public:
    Drawing(kav::db::Cursor& win, kav::db::Cursor& word, kav::db::Cursor& selecttest,
            kav::ui::Dialogs& dialogs, std::mt19937_64& random);

    int DrawWinQuestion();                                   // 0 when win is empty
    std::pair<int, std::string> DrawWordQuestion();          // {0, ""} when word is empty
    std::string DrawTypingFile(const std::filesystem::path& workingFolder);
    bool DrawChoiceQuestions(ChoiceDraw& out);

private:
    int drawFrom0To(int n);  // every value 0..n equally likely
    kav::db::Cursor& win_;
    kav::db::Cursor& word_;
    kav::db::Cursor& selecttest_;
    kav::ui::Dialogs& dialogs_;
    std::mt19937_64& random_;
};

// Draws the exam of the current candidate and appends it as the candidate's
// row of ct, advancing the progress window as it goes; the new row stays
// current. At a failed choice drawing the client ends (ExitClient).
void createExamRecord(Client& client);

// Copies the current student row's scores into score and the current ct row
// into condition of teacher.mdb, updating the candidate's rows or appending them.
// While the lab server cannot be reached it waits and tries again until the
// report is stored. The candidate's work, packed, is stored after the scores.
// With the station poll, the report borrows the poll's connection when no
// poll is running (a lab server then holds one session per station).
void SaveExamRecord(Client& client, kav::station::StationPoll* poll = nullptr);

}  // namespace kavlor
