#include "client/screens/choice/choice_screen.h"

#include "common/db/checked_values.h"

#include <algorithm>
#include <charconv>

#include "common/core/tokens.h"
#include "common/station/station.h"

namespace kav::choice {
namespace {

constexpr const char* kLetters = "abcd";
constexpr const char* kUpperLetters = "ABCD";

Focus focusOf(Option option) { return static_cast<Focus>(static_cast<int>(Focus::OptionA) + static_cast<int>(option)); }

std::optional<Option> optionOfFocus(Focus focus) {
    switch (focus) {
        case Focus::OptionA: return Option::A;
        case Focus::OptionB: return Option::B;
        case Focus::OptionC: return Option::C;
        case Focus::OptionD: return Option::D;
        default: return std::nullopt;
    }
}

std::optional<Option> optionOfLetter(char upper) {
    for (int i = 0; i < 4; ++i)
        if (kUpperLetters[i] == upper) return static_cast<Option>(i);
    return std::nullopt;
}

std::string unansweredCaption(int number) { return std::to_string(number) + " "; }

}  // namespace

ChoiceScreen::ChoiceScreen(Tables tables) : t_(tables) {
    positions_ = splitList(t_.ct.field("sel_arr1").asString());
    correct_ = splitList(t_.ct.field("sel_arr2").asString());
    for (int n = 1; n <= kQuestions; ++n) buttons_[n - 1].caption = unansweredCaption(n);

    if (t_.student.field("havelogined").asInteger() < 2) {
        given_.fill("*");
    } else {
        // A later login: the stored answers come back onto the buttons.
        given_ = splitList(t_.ct.field("sel_arr3").asString());
        for (int n = kQuestions; n >= 1; --n) {
            const std::string& letter = given_[n - 1];
            if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'd') {
                cur_ = n;
                record(static_cast<Option>(letter[0] - 'a'), false);
            }
        }
    }
    cur_ = 1;
}

void ChoiceScreen::show() {
    visible_ = true;
    focusOptionPanel();
    goto_pp();
    hotKeys_ = true;
    // The station mode is read only here: a change while the screen is up
    // takes effect at the next showing.
    t_.state.requery();
    try {
        selfCheckEnabled_ = t_.state.recordCount() > 0 && kav::db::checkedInteger(t_.state, "korl") ==
                                                                  kav::station::korlOf(kav::station::StationMode::Practice);
    } catch (const kav::db::BadValue&) {
        selfCheckEnabled_ = false;  // a value the console never writes is no practice mode
    }
}

void ChoiceScreen::hide() {
    visible_ = false;
    hotKeys_ = false;
}

std::optional<int> ChoiceScreen::positionInBank(int number, std::string* problem) {
    const std::string& token = positions_[number - 1];
    const std::string where = "本题无法显示：考试记录中第" + std::to_string(number) + "题的题号";
    const std::string contact = "，请与管理员联系！";
    if (token.empty()) {
        *problem = "本题无法显示：考试记录中缺少第" + std::to_string(number) + "题的题号" + contact;
        return std::nullopt;
    }
    long long position = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), position);
    if (error != std::errc() || end != token.data() + token.size()) {
        *problem = where + "“" + token + "”不是数字" + contact;
        return std::nullopt;
    }
    const int bankSize = t_.selecttest.recordCount();
    if (position < 1 || position > bankSize) {
        *problem = where + token + "超出题库范围（题库共" + std::to_string(bankSize) + "题）" + contact;
        return std::nullopt;
    }
    return static_cast<int>(position);
}

void ChoiceScreen::goto_pp() {
    std::string problem;
    std::optional<int> position = positionInBank(cur_, &problem);
    available_ = position.has_value();
    if (available_) {
        db::Cursor& bank = t_.selecttest;
        bank.first();
        bank.moveBy(*position - 1);
        questionText_ = bank.field("select_question").asString();
        options_ = {bank.field("sel_a").asString(), bank.field("sel_b").asString(), bank.field("sel_c").asString(),
                    bank.field("sel_d").asString()};
        picture_ = bank.field("image").asBlob();
    } else {
        questionText_ = problem;
        options_ = {};
        picture_.clear();
    }

    buttons_[cur_ - 1].pointSize = kCurrentPointSize;
    if (prev_ >= 1 && prev_ <= kQuestions && prev_ != cur_) buttons_[prev_ - 1].pointSize = kPreviousPointSize;

    const std::string& caption = buttons_[cur_ - 1].caption;
    if (std::optional<Option> answered = optionOfLetter(caption.back())) {
        checked_ = *answered;
        focus_ = focusOf(*answered);
        holderVisible_ = false;
    } else {
        holderVisible_ = true;
        focus_ = Focus::FocusHolder;
        checked_ = Option::None;
    }
}

void ChoiceScreen::moveAndShow(int number) {
    prev_ = cur_;
    cur_ = number;
    goto_pp();
}

void ChoiceScreen::moveTo(int number) {
    if (number >= 1 && number <= kQuestions) moveAndShow(number);
}

void ChoiceScreen::next() { moveAndShow(cur_ == kQuestions ? 1 : cur_ + 1); }

void ChoiceScreen::previous() { moveAndShow(cur_ == 1 ? kQuestions : cur_ - 1); }

void ChoiceScreen::select(Option option) {
    if (!available_ || closed_ || option == Option::None) return;
    focus_ = focusOf(option);
    record(option, true);
}

void ChoiceScreen::record(Option option, bool store) {
    const int i = static_cast<int>(option);
    holderVisible_ = false;
    checked_ = option;
    QuestionButton& b = buttons_[cur_ - 1];
    b.caption = std::to_string(cur_) + kUpperLetters[i];
    b.red = true;
    const std::string letter(1, kLetters[i]);
    if (given_[cur_ - 1] == letter) return;
    given_[cur_ - 1] = letter;
    // Each new answer goes into the exam record at once, so that a crash of
    // the client loses none of them.
    if (store) storeAnswers();
}

void ChoiceScreen::storeAnswers() {
    db::Cursor& ct = t_.ct;
    try {
        ct.edit();
        ct.field("sel_arr3").setString(joinList(given_));
        ct.post();
    } catch (...) {
        if (ct.state() == db::Cursor::State::Edit) ct.cancel();
        throw;
    }
}

void ChoiceScreen::selfCheck() {
    if (!selfCheckEnabled_) return;
    Grade g = grade(correct_, given_);
    scorePanel_ = "得分:" + std::to_string(g.count) + "错误及答案：" + g.wrongList;
}

void ChoiceScreen::close() {
    storeAnswers();
    hide();
}

bool ChoiceScreen::hotKey(Key key, Modifiers modifiers) {
    if (!isHotKey(key, modifiers)) return false;
    key == Key::Left ? previous() : next();
    return true;
}

void ChoiceScreen::keyDown(Key key, Modifiers modifiers) {
    if (!visible_) return;
    switch (key) {
        case Key::F4:
            if (modifiers.alt) return;  // Alt+F4 is swallowed
            break;
        case Key::PageDown: next(); return;
        case Key::PageUp: previous(); return;
        case Key::Q: close(); return;
        default: break;
    }
    if (focus_ == Focus::QuestionText) {
        focusOption(Option::A);
        return;
    }
    // The option group: ↑/↓ (and modified ←/→, which are not hot keys) move
    // the selection, wrapping round.
    if (key == Key::Up || key == Key::Left) stepInGroup(-1);
    if (key == Key::Down || key == Key::Right) stepInGroup(+1);
}

void ChoiceScreen::questionTextClicked() { focusOptionPanel(); }

void ChoiceScreen::focusOption(Option option) {
    if (!available_) return;
    focus_ = focusOf(option);
    // Moving the focus to an option that is not selected selects it.
    if (checked_ != option) record(option, true);
}

void ChoiceScreen::focusOptionPanel() {
    focus_ = checked_ == Option::None ? Focus::FocusHolder : focusOf(checked_);
}

void ChoiceScreen::stepInGroup(int direction) {
    if (!available_) return;
    // Stops in tab order: A, B, C, D and, while it is visible, the focus holder.
    std::vector<Focus> stops = {Focus::OptionA, Focus::OptionB, Focus::OptionC, Focus::OptionD};
    if (holderVisible_) stops.push_back(Focus::FocusHolder);
    const int n = static_cast<int>(stops.size());
    int at = 0;
    for (int i = 0; i < n; ++i)
        if (stops[i] == focus_) at = i;
    Focus target = stops[(at + direction + n) % n];
    if (std::optional<Option> option = optionOfFocus(target))
        focusOption(*option);
    else
        focus_ = target;
}

}  // namespace kav::choice
