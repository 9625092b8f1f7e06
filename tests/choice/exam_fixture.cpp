#include "tests/choice/exam_fixture.h"

#include <stdexcept>

namespace kav::test {
namespace {

std::unique_ptr<db::Connection> makeDatabase(const std::filesystem::path& file) {
    db::createDatabase(file);
    return db::connect(db::ConnectionString::forDataSource(file.string()).toString(), file.parent_path());
}

}  // namespace

ExamFixture::ExamFixture(const ExamSetup& setup) {
    stu = makeDatabase(dir / "stu.mdb");
    teacher = makeDatabase(dir / "teacher.mdb");

    selecttest = stu->openTable("selecttest");
    for (int p = 1; p <= setup.bankSize; ++p) {
        selecttest->append();
        selecttest->field("ID").setInteger(1000 + p);
        selecttest->field("select_question").setString(stemAt(p));
        for (char letter : std::string("abcd"))
            selecttest->field(std::string("sel_") + letter).setString(optionAt(p, static_cast<char>(letter - 32)));
        selecttest->field("correct_sel").setString(letterAt(p));
        for (auto& [position, bytes] : setup.pictures)
            if (position == p) selecttest->field("image").setBlob(bytes);
        selecttest->post();
    }
    selecttest->first();

    student = stu->openTable("student");
    for (const char* zkzh : {"110199990001", "110199990002"}) {
        student->append();
        student->field("zkzh").setString(zkzh);
        student->field("ksxm").setString("考生");
        student->field("havelogined").setInteger(setup.havelogined);
        student->post();
    }
    if (!student->locate("zkzh", std::string("110199990002"))) throw std::logic_error("no student row");

    std::string arr1 = setup.sel_arr1;
    if (arr1.empty())
        for (int n = 1; n <= choice::kQuestions; ++n) arr1 += (n > 1 ? " " : "") + std::to_string(standardPosition(n));
    ct = stu->openTable("ct");
    for (const char* zkzh : {"110199990001", "110199990002"}) {
        ct->append();
        ct->field("zkzh").setString(zkzh);
        ct->field("sel_arr1").setString(arr1);
        ct->field("sel_arr2").setString(setup.sel_arr2.empty() ? standardCorrect() : setup.sel_arr2);
        ct->field("sel_arr3").setString(setup.sel_arr3);
        ct->post();
    }
    if (!ct->locate("zkzh", std::string("110199990002"))) throw std::logic_error("no exam record");

    state = teacher->openTable("state");
    setKorl(setup.korl);
}

std::string ExamFixture::standardCorrect() const {
    std::string text;
    for (int n = 1; n <= choice::kQuestions; ++n) text += (n > 1 ? " " : "") + letterAt(standardPosition(n));
    return text;
}

std::string ExamFixture::storedAnswers() {
    auto fresh = stu->openTable("ct");
    if (!fresh->locate("zkzh", std::string("110199990002"))) return "<no record>";
    return fresh->field("sel_arr3").asString();
}

void ExamFixture::setKorl(int korl) {
    auto console = teacher->openTable("state");
    console->edit();
    console->field("korl").setInteger(korl);
    console->post();
}

}  // namespace kav::test
