// What a person reads of an engine error: what failed, the cause and what to do
// in Chinese, the engine's text as the detail; a rule's refusal as it is.
#include <gtest/gtest.h>

#include "common/db/error_text.h"

namespace kav::db {
namespace {

TEST(DatabaseErrorText, SaysWhatFailedWhyAndWhatToDoWithTheEnginesText) {
    struct Case {
        std::string engine;
        std::string advice;
    };
    const Case cases[] = {
        {"database is locked", "数据库正被其他程序使用，或暂时连接不上。请稍后再试；如一直如此，请关闭其他使用题库的程序或检查网络。"},
        {"database or disk is full", "磁盘空间不足。请清理磁盘后再试。"},
        {"attempt to write a readonly database", "没有写入数据库文件的权限。请检查数据库文件及其所在文件夹是否可写。"},
        {"file is not a database", "数据库文件已损坏，或不是本系统的数据库。请用备份的数据库文件替换它。"},
        {"Field 'kscj': Data type mismatch in criteria expression.", "所填的值不符合该项的要求（类型或长度）。请改正后再保存。"},
        {"something new", "请检查后再试；如问题持续，请把下面的详细信息告诉管理员。"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(databaseErrorText("保存失败。", DbError(c.engine)), "保存失败。\r" + c.advice + "\r详细信息：" + c.engine)
            << c.engine;
    EXPECT_NE(databaseErrorText("x", DbUnavailable("server gone")).find("暂时连接不上"), std::string::npos);
    EXPECT_EQ(databaseErrorText("x", RowRefused("准考证号不能为空！")), "准考证号不能为空！");
}

}  // namespace
}  // namespace kav::db
