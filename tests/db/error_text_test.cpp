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
        // A lab server's texts, whose words a file's share.
        {"ERROR:  cannot execute UPDATE in a read-only transaction",
         "数据库服务器现在只允许读取。请稍后再试；如一直如此，请管理员检查服务器和角色的设置。"},
        {"ERROR:  permission denied for table score",
         "数据库服务器不许这个角色做这件事。请确认教师机以表的所有者登录（PGUSER），或请管理员检查角色的权限。"},
        {"Cannot read the table 'score': ERROR:  relation \"score\" does not exist",
         "数据库服务器上没有本系统的表或函数。请用 kavtool init-db 建好 teacher.udl 指向的数据库；以前的版本建的数据库，再运行一次 kavtool init-db 即可更新。"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(databaseErrorText("保存失败。", DbError(c.engine)), "保存失败。\r" + c.advice + "\r详细信息：" + c.engine)
            << c.engine;
    EXPECT_NE(databaseErrorText("x", DbUnavailable("server gone")).find("暂时连接不上"), std::string::npos);
    // Connecting fails as "unavailable"; the server's reason decides the advice.
    const std::pair<const char*, const char*> connecting[] = {
        {"FATAL:  sorry, too many clients already", "连接已满"},
        {"FATAL:  password authentication failed for user \"kav_owner\"", "无法登录数据库服务器"},
        {"fe_sendauth: no password supplied", "无法登录数据库服务器"},
        {"connection to server at \"127.0.0.1\", port 5432 failed: Connection refused", "暂时连接不上"},
    };
    for (const auto& [engine, advice] : connecting)
        EXPECT_NE(databaseErrorText("x", DbUnavailable(std::string("Cannot connect to the database server: ") + engine))
                      .find(advice),
                  std::string::npos)
            << engine;
    EXPECT_EQ(databaseErrorText("x", RowRefused("准考证号不能为空！")), "准考证号不能为空！");
}

}  // namespace
}  // namespace kav::db
