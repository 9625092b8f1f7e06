#pragma once
// The console's fixed texts.
#include <string>

namespace mendrix::texts {

inline constexpr const char* kTitle = "计算机等级考试维护系统Mendrix";

// Login window.
inline constexpr const char* kLoginTitle1 = "Kavlor v1.0计算机等级考试(一级B)";
inline constexpr const char* kLoginTitle2 = "教师维护系统";
inline constexpr const char* kLoginUserLabel = "管理员：";
inline constexpr const char* kLoginPasswordLabel = "密  码：";
inline constexpr const char* kOk = "确定";
inline constexpr const char* kWrongLogin = "输入用户名或密码错误！";
inline constexpr const char* kNoAdministrator = "管理员帐户缺失或用户名为空，不能登录！请检查teacher.mdb中的用户表。";
// A teacher.mdb on a network file system (fileSystem: "NFS", "SMB" or "CIFS").
inline std::string networkFileSystemWarning(const std::string& fileSystem) {
    return "teacher.mdb位于网络文件系统（" + fileSystem +
           "）上。网络文件系统上的数据库文件锁定不可靠，多台学生机同时交卷或收分时成绩可能丢失或损坏。\r"
           "学生机较多的机房请把教师数据库放到PostgreSQL服务器上：见管理员指南（docs/admin-guide.md）中“A lab on PostgreSQL”一节，"
           "用 kavtool init-db teacher.udl 建立数据库。";
}

// Caption.
inline constexpr const char* kLocationPrefix = "     当前位置：";  // five spaces before it

// Accounts page.
inline constexpr const char* kEmptyUserName = "用户名不能为空";
inline constexpr const char* kAccountChanged = "恭喜您，用户名密码更改成功！！！";
inline constexpr const char* kBadPassword = "密码输入有误或为空,请重新输入!";
inline constexpr const char* kAccountRowMissing = "用户表中没有这个帐户的记录（应有四行），帐户没有保存！";
inline constexpr const char* kPasswordInUse = "这个口令已是另一个助理的口令，请换一个口令！";

// Station commands.
inline constexpr const char* kExamTimeCaption = "设定学生考试时间!";
inline constexpr const char* kExamTimePrompt = "输入时间格式如：1:30:00,缺省时间为1:30:00\r请输入时间：";
inline constexpr const char* kClearfoldOnQuestion =
    "打开后，每台学生机每次启动都会删除并重建考生文件夹，直到再次关闭本项。\r确定打开？";
inline constexpr const char* kClearinfoOnQuestion =
    "打开后，每台学生机每次启动都会清除已考考生的考试记录和成绩，直到再次关闭本项。\r确定打开？";
inline constexpr const char* kUpdateOnQuestion =
    "打开后，每台学生机每次启动都会复制更新列表中的文件，直到再次关闭本项。\r确定打开？";
inline constexpr const char* kCloseRefused = "修改没有保存，维护系统不能退出：";

// Appended to the engine's text when the station record holds a flag value
// its column cannot hold.
inline constexpr const char* kBadStationFlag = "，启动开关暂按“关”显示，请重新设置。";

// Help and about.
inline constexpr const char* kHelpMissing = "不能打开帮助文件readme.htm！";
inline constexpr const char* kAboutCaption = "关于本软件";
inline constexpr const char* kAboutText =
    "计算机等级考试维护系统Mendrix\n\n"
    "本系统模拟计算机等级考试一级B，功能如下：\n"
    "1. 四种题型：Windows操作题、选择题、汉字录入题、Word操作题，自动评分。\n"
    "2. 题库由教师自行扩充：在本系统中维护各类试题、录入文章和Word评分规则。\n"
    "3. 在教师机上设置学生机：清除考生文件夹、清除已考考生信息、更新题库。\n"
    "4. 考试状态、练习状态、强制收分和结束四种状态，由教师机统一切换。\n"
    "5. 选择题可带图片，可用键盘答题。\n"
    "6. 录入题支持插入、删除、退格、光标移动等编辑键。\n"
    "7. 成绩可以导出或打印。\n"
    "8. 考试时间为1小时30分钟，可用一、二、三级助理口令延时10、5、1分钟。\n"
    "9. 学生机死机后重新登录，恢复到最后一次保存的状态。";

}  // namespace mendrix::texts
