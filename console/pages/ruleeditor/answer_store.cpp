#include "console/pages/ruleeditor/answer_store.h"

namespace kav::ruleeditor {

bool BindingAnswerStore::store(const std::string& answer) {
    if (!hasCurrentQuestion()) return false;
    word_.setText(answerColumn(), answer);
    return word_.post();
}

}  // namespace kav::ruleeditor
