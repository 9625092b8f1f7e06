#pragma once
// A real database file in a temporary folder with a binding over one of its tables,
// scripted dialogs, and a second connection that reads what reached the file.
#include <memory>
#include <string>
#include <vector>

#include "common/db/database.h"
#include "common/db/schema.h"
#include "console/base/binding/table_binding.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/temp_dir.h"

namespace kav::test {

class BindingFixture {
    TempDir dir_;  // first, so that it outlives every handle on the file

public:
    explicit BindingFixture(const std::string& table = "student", const std::string& file = "stu.mdb")
        : file_(file), table_(table) {
        db::createDatabase(dir_ / file);
        connection_ = connectFile();
        cursor = connection_->openTable(table);
    }

    // Rows added before the binding is made (it then sees a table that was not empty when opened).
    void addStudents(const std::vector<std::string>& names) {
        for (size_t i = 0; i < names.size(); ++i) {
            cursor->append();
            cursor->field("zkzh").setString("1101000000" + std::to_string(i + 1));
            cursor->field("ksxm").setString(names[i]);
            cursor->post();
        }
        cursor->first();
    }

    console::TableBinding& bind() {
        binding = std::make_unique<console::TableBinding>(*cursor, dialogs);
        return *binding;
    }

    // The column of every row as stored in the file, read through a fresh connection.
    std::vector<std::string> stored(const std::string& column = "ksxm") {
        auto c = connectFile()->openTable(table_);
        std::vector<std::string> values;
        for (c->first(); c->recordCount() > 0 && !c->eof(); c->next()) values.push_back(c->field(column).asString());
        return values;
    }

    int column(const std::string& name) const { return cursor->definition().indexOf(name); }

    FakeDialogs dialogs;
    std::unique_ptr<db::Cursor> cursor;
    std::unique_ptr<console::TableBinding> binding;

private:
    std::unique_ptr<db::Connection> connectFile() {
        return db::connect(db::ConnectionString::forDataSource(file_).toString(), dir_.path());
    }

    std::string file_, table_;
    std::unique_ptr<db::Connection> connection_;
};

}  // namespace kav::test
