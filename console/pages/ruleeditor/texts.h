#pragma once
// The rule editor's own texts.
#include <string_view>

namespace kav::ruleeditor {

inline constexpr std::string_view kCaption = "计算机等级考试维护系统Mendrix";
inline constexpr std::string_view kNote =
    "说明：请先编好题目，并作出正确的word文档，以便对照设置答案！！！颜色为黄色的要先填上才行！！！";
inline constexpr std::string_view kNoPosition = "位置还没有确定，请先输入相应的位置！！！";
inline constexpr std::string_view kNoScore = "还没有输入本操作分数呢！";
inline constexpr std::string_view kBadScore = "本操作分数只能是0到32767的整数！";
inline constexpr std::string_view kTooManyValues = "一次只能设置一项，请只留下一项再按“下一步”。现在填了：";
inline constexpr std::string_view kNothingToStore = "答案一条规则也没有了，不能这样保存；原来的答案没有改动！";
inline constexpr std::string_view kConfirmStore = "确定用修改后的答案替换原来的答案吗？";
inline constexpr std::string_view kSheetBusy = "表上还有正在编的一条，请先按“下一步”放进答案或把它清空。";
inline constexpr std::string_view kCannotEdit = "这一条编辑器读不懂，只能保留原样或删除：";
inline constexpr std::string_view kNoCurrentQuestion = "没有当前的Word题，不能保存答案！";
inline constexpr std::string_view kCloseUnstored = "改动的答案还没有保存（按“完成”才保存），确定放弃改动并关闭吗？";
inline constexpr std::string_view kFontHint = "名字带空格的字体写不进答案";
inline constexpr std::string_view kModelFilter = "Word文档 (*.docx)";
inline constexpr std::string_view kModelCaption = "打开本题做好的样稿";
inline constexpr std::string_view kNothingToTry = "还没有答案可以试评！";
inline constexpr std::string_view kNothingKept = "还没有勾选要采用的样稿值！";

}  // namespace kav::ruleeditor
