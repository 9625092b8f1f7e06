#pragma once
// Reports that a station has not stored on the teacher tables yet. Before a
// report is first sent it is kept in a file of its own in the station's program
// folder; once stored it is forgotten. A report the teacher's end of the exam
// cut off stays there and is sent at the client's next start, before the update
// list or a record reset can replace stu.mdb; so does a work pack that was not
// stored (the candidate folder is emptied at the next exam). The candidate sees
// none of it; the log says what happened.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/station/report.h"

namespace kav::station {

class UnsentReports {
public:
    // folder: where the reports are kept, one file each (made when needed).
    explicit UnsentReports(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // Keeps the report, replacing one kept earlier for the same candidate. The
    // file is written under a temporary name, flushed to the disk and renamed
    // into place: a crash leaves the old report or the new one, never half.
    // Throws std::runtime_error with the system's text when it cannot be written.
    void keep(const ExamReport& report) const;
    // Forgets the candidate's report (nothing when none is kept).
    void forget(const std::string& zkzh) const;
    // The same for the candidate's work pack (the zip's bytes).
    void keepPack(const std::string& zkzh, const std::string& pack) const;
    void forgetPack(const std::string& zkzh) const;

    struct Kept {
        std::filesystem::path file;
        ExamReport report;
    };
    // Every report kept, in the order of their files' names. A file that cannot
    // be read back whole is left where it is and named in `damaged`.
    std::vector<Kept> load(std::vector<std::string>* damaged = nullptr) const;

    // The file that keeps the candidate's report (and pack): the admission
    // number in hexadecimal, so that no admission number can name another path.
    std::filesystem::path fileOf(const std::string& zkzh) const;
    std::filesystem::path packFileOf(const std::string& zkzh) const;

    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

// The text a kept report is stored as, and back (std::runtime_error for a
// text that is not a whole report).
std::string reportText(const ExamReport& report);
ExamReport reportFromText(const std::string& text);

// Sends each kept report once through `teacher` (as a start-up does), then
// each kept pack whose report is no longer kept: what is stored is forgotten,
// what is refused stays for the next start. Each outcome is logged to stderr.
// Returns the number of reports stored.
int sendUnsentReports(db::Connection& teacher, const UnsentReports& unsent);

}  // namespace kav::station
