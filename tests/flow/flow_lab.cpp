#include "tests/flow/flow_lab.h"

#include <cstdlib>

#include "client/flow/login.h"
#include "common/db/schema.h"
#include "tools/demo/demo_lab.h"

namespace kavlor::test {

namespace fs = std::filesystem;
namespace db = kav::db;
using kav::test::writeFile;

namespace {

std::unique_ptr<db::Connection> open(const fs::path& file) {
    return db::connect(db::ConnectionString::forDataSource(file.string()).toString(), file.parent_path());
}

}  // namespace

FlowLab::FlowLab(LabOptions options) {
    teacher = dir_.path() / "teacher";
    station = dir_.path() / "station1";
    driveC = dir_.path() / "c";
    lockFile = dir_.path() / "PROGRAM_RUNNING12.lock";
    for (const fs::path& p : {teacher, station, driveC / "kavlor", driveC / "kavtmp", station / "txt", station / "word",
                              station / "file"})
        fs::create_directories(p);
    setenv("KAVLOR_DRIVE_C", driveC.c_str(), 1);
    writeFile(station / "tpath.txt", teacher.string() + "\r\n");

    db::createDatabase(teacher / "teacher.mdb", db::DatabaseKind::Teacher);
    db::createDatabase(station / "stu.mdb", db::DatabaseKind::Student);
    {
        auto t = teacherDb();
        auto state = t->openTable("state");
        auto record = kav::station::readStation(*state);
        record.resttime = options.resttime;
        kav::station::writeStation(*state, record);
    }

    auto stu = stuDb();
    auto student = stu->openTable("student");
    const char* names[] = {"张三", "李四", "王五"};
    const char* numbers[] = {kFirst, kSecond, kThird};
    for (int i = 0; i < 3; ++i) {
        student->append();
        student->field("zkzh").setString(numbers[i]);
        student->field("ksxm").setString(names[i]);
        student->field("kstime").setDateTime(kav::DateTime::zero());
        for (const char* c : {"kscj", "havelogined", "win_cj", "select_cj", "dz_cj", "word_cj"})
            student->field(c).setInteger(0);
        student->field("login_keyword").setString("pw" + std::to_string(i + 1));
        student->post();
    }

    auto win = stu->openTable("win");
    for (int i = 1; i <= options.winTasks; ++i) {
        win->append();
        win->field("question1").setString("在考生文件夹下建立文件夹NEW" + std::to_string(i) + "。");
        win->field("question2").setString("TEST a.txt* b.txt*TEST");
        win->field("answer").setString("7 TEST**5 a.txt**7 NEW" + std::to_string(i));
        win->post();
    }
    writeFile(station / "file" / "a.txt", "a");
    writeFile(station / "file" / "b.txt", "b");

    auto selecttest = stu->openTable("selecttest");
    for (int i = 1; i <= options.choiceQuestions; ++i) {
        selecttest->append();
        selecttest->field("ID").setInteger(i);
        selecttest->field("select_question").setString("第" + std::to_string(i) + "题：计算机中的数据以什么形式存储？");
        selecttest->field("sel_a").setString("二进制");
        selecttest->field("sel_b").setString("十进制");
        selecttest->field("sel_c").setString("八进制");
        selecttest->field("sel_d").setString("十六进制");
        selecttest->field("correct_sel").setString(std::string(1, "ABCD"[i % 4]));
        selecttest->post();
    }

    const auto& documents = kav::demo::wordDocuments();
    auto word = stu->openTable("word");
    for (int i = 0; i < options.wordTasks; ++i) {
        const auto& doc = documents.at(i % documents.size());
        word->append();
        word->field("question").setString("将标题设置为黑体、二号、居中。");
        word->field("answer").setString("");
        word->field("filename_word").setString(doc.name);
        word->post();
        writeFile(station / "word" / doc.name, std::string(reinterpret_cast<const char*>(doc.data), doc.size));
    }
    for (int i = 0; i < options.typingFiles; ++i) writeFile(station / "txt" / ("txt" + std::to_string(i) + ".txt"), "x");
}

std::unique_ptr<db::Connection> FlowLab::teacherDb() const { return open(teacher / "teacher.mdb"); }
std::unique_ptr<db::Connection> FlowLab::stuDb() const { return open(station / "stu.mdb"); }

kav::station::StationRecord FlowLab::station_() const {
    auto t = teacherDb();
    auto state = t->openTable("state");
    return kav::station::readStation(*state);
}

void FlowLab::setStation(const kav::station::StationRecord& record) const {
    auto t = teacherDb();
    auto state = t->openTable("state");
    kav::station::writeStation(*state, record);
}

void FlowLab::setKorl(int korl) const {
    auto record = station_();
    record.korl = korl;
    setStation(record);
}

void FlowLab::setUpdateList(const std::string& list) const {
    auto t = teacherDb();
    auto updatefile = t->openTable("updatefile");
    kav::station::writeUpdateList(*updatefile, list);
}

void FlowLab::setLogins(const std::string& zkzh, int logins) const {
    auto stu = stuDb();
    auto student = stu->openTable("student");
    if (!student->locate("zkzh", zkzh)) throw std::runtime_error("no candidate " + zkzh);
    student->edit();
    student->field("havelogined").setInteger(logins);
    student->post();
}

void FlowLab::setAssistantPassword(int row, const std::string& password) const {
    auto t = teacherDb();
    auto user = t->openTable("user");
    user->first();
    user->moveBy(row - 1);
    user->edit();
    user->field("password").setString(password);
    user->post();
}

void drawExam(Client& client, const std::string& zkzh) {
    LoginLogic& login = *client.login();
    login.Edit1 = zkzh;
    client.handle([&] { login.BitBtn1Click(); });
    client.handle([&] { login.BitBtn3Click(); });
}

std::string rowValue(db::Connection& connection, const std::string& table, const std::string& zkzh,
                     const std::string& column) {
    auto cursor = connection.openTable(table);
    if (!cursor->locate("zkzh", zkzh)) return "<no row>";
    return cursor->field(column).asString();
}

int rowCount(db::Connection& connection, const std::string& table) {
    return connection.openTable(table)->recordCount();
}

}  // namespace kavlor::test
