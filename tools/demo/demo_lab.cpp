#include "tools/demo/demo_lab.h"

#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "common/core/datetime.h"
#include "common/core/utf8.h"
#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/db/tables.h"
#include "common/platform/platform.h"
#include "common/text/gbk.h"
#include "common/text/typing_file.h"
#include "tools/demo/demo_bank.h"
#include "tools/demo/demo_pictures.h"

namespace fs = std::filesystem;

namespace kav::demo {

namespace {

void writeBytes(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string() + ": " + std::generic_category().message(errno));
}

void makeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw std::runtime_error("cannot create " + folder.string() + ": " + ec.message());
}

void copyFile(const fs::path& from, const fs::path& to) {
    std::string error;
    if (!platform::copyFileNoOverwrite(from, to, &error))
        throw std::runtime_error("cannot copy " + from.string() + " to " + to.string() + ": " + error);
}

void copyFolder(const fs::path& from, const fs::path& to) {
    makeFolder(to);
    for (const auto& entry : fs::directory_iterator(from)) copyFile(entry.path(), to / entry.path().filename());
}

std::unique_ptr<db::Connection> openDatabase(const fs::path& file) {
    return db::connectFile(file.string(), file.parent_path());
}

void fillRoster(db::Connection& stu) {
    auto student = stu.openTable("student");
    for (const Candidate& c : roster()) {
        student->append();
        student->field("zkzh").setString(c.zkzh);
        student->field("ksxm").setString(c.name);
        student->field("kstime").setDateTime(DateTime::zero());
        for (const char* score : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
            student->field(score).setInteger(0);
        student->field("login_keyword").setString(c.password);
        student->post();
    }
}

void fillBanks(db::Connection& stu) {
    auto win = stu.openTable("win");
    for (const WinTask& t : winTasks()) {
        win->append();
        win->field("question1").setString(t.question1);
        win->field("question2").setString(t.question2);
        win->field("answer").setString(t.answer);
        win->post();
    }
    auto select = stu.openTable("selecttest");
    int number = 1;
    for (const ChoiceQuestion& q : choiceQuestions()) {
        select->append();
        select->field("ID").setInteger(number++);
        select->field("select_question").setString(q.question);
        select->field("sel_a").setString(q.a);
        select->field("sel_b").setString(q.b);
        select->field("sel_c").setString(q.c);
        select->field("sel_d").setString(q.d);
        select->field("correct_sel").setString(std::string(1, q.correct));
        std::string picture = pictureBmp(q.picture);
        if (!picture.empty()) select->field("image").setBlob(db::Blob(picture.begin(), picture.end()));
        select->post();
    }
    auto word = stu.openTable("word");
    for (const WordTask& t : wordTasks()) {
        word->append();
        word->field("question").setString(t.question);
        word->field("answer").setString(t.answer);
        word->field("filename_word").setString(t.fileName);
        word->post();
    }
}

void writeSourceFiles(const fs::path& folder) {
    makeFolder(folder);
    for (const SourceFile& f : sourceFiles()) {
        writeBytes(folder / f.name, f.content);
        if (f.readOnly) {
            std::string error;
            if (!platform::setFileAttributes(folder / f.name, platform::kAttrReadOnly, &error))
                throw std::runtime_error("cannot make " + f.name + " read-only: " + error);
        }
    }
    writeBytes(folder / "PHOTO.BMP", holidayPhotoBmp());
}

void writeTypingFiles(const fs::path& folder) {
    makeFolder(folder);
    text::KeyDrawer keys(utcTimeOfDay);
    int n = 0;
    for (const std::string& t : typingTexts())
        text::writeTypingFile(folder / ("txt" + std::to_string(n++) + ".txt"), typingModelLines(t),
                              text::TypingFileKind::Model, keys);
}

void writeWordDocuments(const fs::path& folder) {
    makeFolder(folder);
    for (const WordTask& t : wordTasks()) {
        const EmbeddedFile* doc = nullptr;
        for (const EmbeddedFile& f : wordDocuments())
            if (t.fileName == f.name) doc = &f;
        if (!doc) throw std::runtime_error("the Word document " + t.fileName + " is not built into the program");
        writeBytes(folder / t.fileName, std::string_view(reinterpret_cast<const char*>(doc->data), doc->size));
    }
}

}  // namespace

std::vector<std::string> typingModelLines(const std::string& utf8Text) {
    // Punctuation that should not open a line: the character before it moves
    // down with it.
    static const std::string closing = "，。、；：！？”’）》";
    std::vector<std::vector<std::string>> lines;  // the characters (UTF-8) of each line
    for (std::size_t at = 0; at < utf8Text.size();) {
        const std::size_t start = at;
        if (!nextCodePoint(utf8Text, at)) throw std::runtime_error("a typing text must be UTF-8");
        std::string ch = utf8Text.substr(start, at - start);
        if (text::utf8ToGbk(ch).size() != 2)
            throw std::runtime_error("a typing text may hold double-byte characters only, not \"" + ch + "\"");
        if (lines.empty() || lines.back().size() >= kTypingLineChars) {
            std::vector<std::string> next;
            if (!lines.empty() && closing.find(ch) != std::string::npos) {
                next.push_back(lines.back().back());
                lines.back().pop_back();
            }
            lines.push_back(std::move(next));
        }
        lines.back().push_back(ch);
    }
    std::vector<std::string> gbkLines;
    for (const auto& line : lines) {
        std::string utf8;
        for (const auto& ch : line) utf8 += ch;
        gbkLines.push_back(text::utf8ToGbk(utf8));
    }
    return gbkLines;
}

namespace {

DemoLab buildInEmptyFolder(const fs::path& root, int stations) {

    DemoLab lab;
    lab.teacher = root / "teacher";
    lab.driveC = root / "c";
    makeFolder(lab.teacher);
    makeFolder(lab.driveC / "kavlor");
    makeFolder(lab.driveC / "kavtmp");

    db::createDatabase(lab.teacher / "teacher.mdb", db::DatabaseKind::Teacher);
    db::createDatabase(lab.teacher / "stu.mdb", db::DatabaseKind::Student);
    {
        auto stu = openDatabase(lab.teacher / "stu.mdb");
        fillRoster(*stu);
        fillBanks(*stu);
    }
    writeTypingFiles(lab.teacher / "txt");
    writeWordDocuments(lab.teacher / "word");
    writeSourceFiles(lab.teacher / "file");

    for (int k = 1; k <= stations; ++k) {
        fs::path station = root / ("station" + std::to_string(k));
        makeFolder(station);
        writeBytes(station / "tpath.txt", lab.teacher.string() + "\r\n");
        copyFile(lab.teacher / "stu.mdb", station / "stu.mdb");
        for (const char* folder : {"txt", "word", "file"}) copyFolder(lab.teacher / folder, station / folder);
        lab.stations.push_back(station);
    }
    return lab;
}

}  // namespace

DemoLab buildDemoLab(const fs::path& dir, int stations) {
    if (stations < 1) throw std::runtime_error("a lab needs at least one student machine");
    std::error_code ec;
    if (fs::exists(dir, ec) && !(fs::is_directory(dir, ec) && fs::is_empty(dir, ec)))
        throw std::runtime_error(dir.string() + " exists and is not an empty folder; give a new or empty folder");
    makeFolder(dir);
    const fs::path root = fs::absolute(dir).lexically_normal();
    try {
        return buildInEmptyFolder(root, stations);
    } catch (...) {
        // The folder was empty: a half-built lab is removed, so that the build can be run again.
        for (const auto& entry : fs::directory_iterator(root, ec)) fs::remove_all(entry.path(), ec);
        throw;
    }
}

}  // namespace kav::demo
