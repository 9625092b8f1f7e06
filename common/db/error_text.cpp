#include "common/db/error_text.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kav::db {

namespace {

struct Cause {
    std::array<std::string_view, 4> marks;  // any of them in the engine's text (lower case)
    std::string_view advice;
};

constexpr std::string_view kUnavailable =
    "数据库正被其他程序使用，或暂时连接不上。请稍后再试；如一直如此，请关闭其他使用题库的程序或检查网络。";

// The engine texts by cause, the first that matches wins (also for an
// unavailable database, which without a match gets kUnavailable).
constexpr Cause kCauses[] = {
    // A lab server's refusals first: their texts share words with a file's.
    {{"too many clients", "too many connections", "connection slots are reserved", ""},
     "数据库服务器的连接已满。请关闭不用的程序后再试；如一直如此，请管理员调高服务器的 max_connections（见管理员手册“A lab on PostgreSQL”）。"},
    {{"password authentication failed", "no password supplied", "pg_hba.conf", "role \""},
     "无法登录数据库服务器：角色或密码不对，或本机不许连接。请检查本机的 ~/.pgpass（或 PGPASSWORD、PGUSER），或请管理员检查服务器的设置。"},
    {{"read-only transaction", "default_transaction_read_only", "recovery is in progress", ""},
     "数据库服务器现在只允许读取。请稍后再试；如一直如此，请管理员检查服务器和角色的设置。"},
    {{"permission denied for", "must be owner of", "insufficient privilege", ""},
     "数据库服务器不许这个角色做这件事。请确认教师机以表的所有者登录（PGUSER），或请管理员检查角色的权限。"},
    {{"does not exist", "", "", ""},
     "数据库服务器上没有本系统的表或函数。请用 kavtool init-db 建好 teacher.udl 指向的数据库；以前的版本建的数据库，再运行一次 kavtool init-db 即可更新。"},
    {{"locked", "busy", "cannot connect", "cannot be reached"}, kUnavailable},
    {{"disk is full", "no space", "disk full", "file too large"}, "磁盘空间不足。请清理磁盘后再试。"},
    {{"readonly", "read-only", "permission", "access denied"},
     "没有写入数据库文件的权限。请检查数据库文件及其所在文件夹是否可写。"},
    {{"not a database", "encrypted", "malformed", "corrupt"},
     "数据库文件已损坏，或不是本系统的数据库。请用备份的数据库文件替换它。"},
    {{"mismatch", "too small to accept", "overflow", "constraint"}, "所填的值不符合该项的要求（类型或长度）。请改正后再保存。"},
    {{"could not find file", "cannot find", "no such", "not found"},
     "找不到数据库文件或其中的表。请确认在教师文件夹中运行，且题库文件完整。"},
};

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

}  // namespace

std::string databaseErrorText(std::string_view whatFailed, const DbError& error) {
    if (dynamic_cast<const RowRefused*>(&error)) return error.what();
    const std::string engine = lowered(error.what());
    const auto matches = [&](const Cause& cause) {
        return std::any_of(cause.marks.begin(), cause.marks.end(), [&](std::string_view mark) {
            return !mark.empty() && engine.find(mark) != std::string::npos;
        });
    };
    const auto cause = std::find_if(std::begin(kCauses), std::end(kCauses), matches);
    std::string_view advice = "请检查后再试；如问题持续，请把下面的详细信息告诉管理员。";
    if (cause != std::end(kCauses)) advice = cause->advice;
    else if (dynamic_cast<const DbUnavailable*>(&error)) advice = kUnavailable;
    return std::string(whatFailed) + "\r" + std::string(advice) + "\r详细信息：" + error.what();
}

std::string textTooLongRefusal(std::string_view caption, std::string_view value, int width) {
    return std::string(caption) + "“" + std::string(value) + "”超过" + std::to_string(width) + "个字";
}

}  // namespace kav::db
