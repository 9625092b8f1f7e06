#pragma once
// The table box of 重新评分 and 核对: old and new part scores, the parts that
// differ marked in red, with 确定 / 取消 when it asks to store, else 关闭.
#include <QWidget>

#include "console/pages/scores/regrade_action.h"

namespace mendrix::scores {

// True when the teacher pressed 确定.
bool showRegradeReview(QWidget* parent, const RegradeReview& review);

}  // namespace mendrix::scores
