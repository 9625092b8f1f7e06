#pragma once
// A teacher folder with a new stu.mdb and teacher.mdb, the console's scripted
// dialogs and desktop, and a second connection that plays another program.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "common/ui/desktop.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace mendrix::test {

class FakeDesktop : public kav::ui::Desktop {
public:
    std::vector<std::filesystem::path> opened;
    bool canOpen = true;
    kav::ui::ScreenSize screenSize() override { return {1280, 800}; }
    bool changeResolution(int, int) override { return false; }
    bool open(const std::filesystem::path& path) override {
        opened.push_back(path);
        return canOpen;
    }
    bool start(const std::filesystem::path&, const std::vector<std::string>&) override { return false; }  // the console starts none
    std::vector<std::pair<std::string, std::string>> helps;  // title and page of each help shown
    void showHelp(const std::string& title, const std::string& html) override { helps.emplace_back(title, html); }
};

struct ConsoleLab {
    kav::test::TempDir dir;
    kav::test::FakeDialogs dialogs;
    kav::test::FakeClock clock;
    FakeDesktop desktop;

    ConsoleLab() {
        kav::db::createDatabase(dir / "stu.mdb");
        kav::db::createDatabase(dir / "teacher.mdb");
    }
    const std::filesystem::path& folder() const { return dir.path(); }
    // Another program's connection to a database of the lab.
    std::unique_ptr<kav::db::Connection> connect(const std::string& file) const {
        return kav::db::connect(kav::db::ConnectionString::forDataSource(file).toString(), dir.path());
    }
    // Another program's reading of one table: every row's column as text.
    std::vector<std::string> column(const std::string& file, const std::string& table, const std::string& name) const {
        auto cursor = connect(file)->openTable(table);
        std::vector<std::string> values;
        for (cursor->first(); !cursor->eof(); cursor->next()) values.push_back(cursor->field(name).asString());
        return values;
    }
    std::string state(const std::string& name) const { return column("teacher.mdb", "state", name).at(0); }
    void setState(const std::string& name, const std::string& value) const {
        auto state = connect("teacher.mdb")->openTable("state");
        state->edit();
        state->field(name).setString(value);
        state->post();
    }
    void deleteAllRows(const std::string& file, const std::string& table) const {
        auto cursor = connect(file)->openTable(table);
        while (cursor->recordCount() > 0) {
            cursor->first();
            cursor->remove();
        }
    }
};

}  // namespace mendrix::test
