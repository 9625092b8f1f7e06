#pragma once
// Real database files in a temporary folder for the engine's tests.
#include <filesystem>
#include <memory>

#include "common/db/database.h"
#include "common/db/schema.h"

namespace kav::test {

inline std::unique_ptr<db::Connection> openDatabase(const std::filesystem::path& file) {
    return db::connect(db::ConnectionString::forDataSource(file.string()).toString(), file.parent_path());
}

// A new file of the kind its name says, opened.
inline std::unique_ptr<db::Connection> newDatabase(const std::filesystem::path& file) {
    db::createDatabase(file);
    return openDatabase(file);
}

// Appends one student row with the given admission number and name.
inline void addStudent(db::Cursor& student, const std::string& zkzh, const std::string& ksxm) {
    student.append();
    student.field("zkzh").setString(zkzh);
    student.field("ksxm").setString(ksxm);
    student.post();
}

}  // namespace kav::test
