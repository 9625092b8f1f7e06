#include "client/screens/typing/typing_engine.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "common/grading/typing_cells.h"
#include "common/core/utf8.h"
#include "common/platform/messages.h"
#include "common/text/typing_file.h"

namespace kav::typing {
namespace {

std::string number(std::int64_t n) { return std::to_string(n); }

}  // namespace

std::int64_t dzTimeOf(std::string_view dzResult) {
    std::string_view token = dzResult.substr(0, dzResult.find(' '));
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size() || value < 0) return 0;
    return value;
}

TypingEngine::TypingEngine(TypingRecord& record, ui::Clock& clock, ui::Dialogs& dialogs, TypingPlace place)
    : record_(record), clock_(clock), dialogs_(dialogs), place_(std::move(place)), keys_(clock),
      typedFile_(place_.scratchFolder / place_.candidateFolderName, keys_, record_.resultWriter()) {
    load();
    statisticsTimer_ = clock_.startTimer(kStatisticsMs, [this] { statisticsTick(); });
    blinkTimer_ = clock_.startTimer(kBlinkMs, [this] { blinkTick(); });
}

TypingEngine::~TypingEngine() {
    clock_.stopTimer(statisticsTimer_);
    clock_.stopTimer(blinkTimer_);
    if (autosaveTimer_) clock_.stopTimer(autosaveTimer_);
}

// FormCreate: the candidate labels, the model text with its filled last page,
// and at a later login the typing time and the typed lines saved before.
void TypingEngine::load() {
    numberLabel_ = "考号:" + place_.candidateFolderName;
    TypingCandidate candidate;
    try {
        candidate = record_.load();
    } catch (const std::exception& e) {
        showError(platform::errorText(e));
    }
    nameLabel_ = "姓名:" + candidate.ksxm;
    havelogined_ = candidate.havelogined;
    const bool laterLogin = havelogined_ >= 2;
    if (laterLogin) dzTime_ = dzTimeOf(candidate.dzResult);

    try {
        model_ = text::readTypingFile(place_.workingFolder / "txt" / candidate.filenameDz, text::TypingFileKind::Model);
    } catch (const std::exception& e) {
        showError(platform::errorText(e));
    }
    // A later login whose typing was never saved has no typed-text file: it
    // starts blank, as a first login does. A file that should be there and
    // cannot be read is reported.
    if (laterLogin && !model_.empty()) {
        const bool saved = !candidate.dzResult.empty() && candidate.dzResult != " ";
        std::error_code ec;
        if (saved || std::filesystem::exists(typedTextFile(), ec)) {
            try {
                typed_ = text::readTypingFile(typedTextFile(), text::TypingFileKind::Typed);
            } catch (const std::exception& e) {
                showError(platform::errorText(e));
            }
        }
    }
    typing::fillLastPage(model_);
    typed_.resize(model_.size(), emptyTypedLine());
    for (auto& line : typed_)
        if (line.size() < static_cast<std::size_t>(kLineBytes)) line.resize(kLineBytes, ' ');
    try {
        typedFile_.prepare(typed_);
    } catch (const std::exception& e) {  // told again when a store fails on it
        showError(platform::errorText(e));
    }
    right_.assign(model_.size(), 0);
    wrong_.assign(model_.size(), 0);
    for (int i = 1; i <= count(); ++i) compareLine(i);
    // Lines typed before a restart may never have been scored.
    unscored_ = std::accumulate(right_.begin(), right_.end(), 0) + std::accumulate(wrong_.begin(), wrong_.end(), 0) > 0;

    std::size_t bytes = 0;
    for (auto& line : model_) bytes += line.size();
    total_ = static_cast<int>(bytes / 2);
    totalLabel_ = "总字数：" + number(total_) + "字";
    speedLabel_ = "速度:0字/分钟";
    statisticsTick();
}

void TypingEngine::compareLine(int absLine) {
    LineMarks m = typing::compareLine(typed_[absLine - 1], model_[absLine - 1]);
    right_[absLine - 1] = m.right;
    wrong_[absLine - 1] = m.wrong;
}

void TypingEngine::changeLine(int absLine, std::string typed) {
    typed_[absLine - 1] = std::move(typed);
    typedFile_.lineChanged(static_cast<std::size_t>(absLine - 1));
    compareLine(absLine);
    dirty_ = true;
    unscored_ = true;
}

std::string TypingEngine::pageModelLine(int pageLine) const {
    if (!hasText()) return {};
    return model_[(page_ - 1) * kLinesPerPage + pageLine - 1];
}

std::string TypingEngine::pageTypedLine(int pageLine) const {
    if (!hasText()) return emptyTypedLine();
    return typed_[(page_ - 1) * kLinesPerPage + pageLine - 1].substr(0, kLineBytes);
}

std::string TypingEngine::pageMarks(int pageLine) const {
    if (!hasText()) return typing::compareLine({}, {}).marks;
    const int i = (page_ - 1) * kLinesPerPage + pageLine - 1;
    return typing::compareLine(typed_[i], model_[i]).marks;
}

std::string TypingEngine::lineLabel() const { return "第" + number(line_) + "行"; }

std::string TypingEngine::pageLabel() const {
    return "页" + number(hasText() ? page_ : 0) + "/" + number(pageCount());
}

// --- showing and hiding -----------------------------------------------------

void TypingEngine::shown() {
    if (firstShowing_ && havelogined_ > 1)
        for (int i = 1; i < pageCount(); ++i) pageDown();
    firstShowing_ = false;
    if (!running_) {
        dzStart_ = clock_.monotonicMs();
        running_ = true;
        autosaveTimer_ = clock_.startTimer(kAutosaveMs, [this] { autosave(); });
    }
    changed();
}

void TypingEngine::hidden() {
    if (!running_) return;
    statisticsTick();
    endPeriod();
    if (hasText()) storeState(/*wait=*/true);
    changed();
}

std::int64_t TypingEngine::periodMs() const { return running_ ? clock_.monotonicMs() - dzStart_ : 0; }

void TypingEngine::endPeriod() {
    if (!running_) return;
    dzTime_ += periodMs();
    running_ = false;
    clock_.stopTimer(autosaveTimer_);
    autosaveTimer_ = 0;
}

// --- typing -------------------------------------------------------------

void TypingEngine::enterText(std::string_view utf8) {
    if (!hasText() || closed_) return;
    bool any = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        if (!nextCodePoint(utf8, i)) {
            ++i;  // a byte that starts no character is passed over
            continue;
        }
        std::string gbk;
        try {
            gbk = text::utf8ToGbk(utf8.substr(start, i - start));
        } catch (const text::TextError&) {
            gbk = "?";  // as the code page conversion of the input field gives it
        }
        const std::string cell = cellOfCharacter(gbk);
        if (cell.empty()) continue;
        const int L = absoluteLine();
        changeLine(L, insert_ ? insertCell(typed_[L - 1], col_, cell) : overwriteCell(typed_[L - 1], col_, cell));
        cursorRight();
        any = true;
    }
    if (any) changed();
}

void TypingEngine::press(Key key) {
    if (key == Key::Insert) {
        insert_ = !insert_;
        changed();
        return;
    }
    if (!hasText() || (closed_ && (key == Key::Backspace || key == Key::Delete))) return;
    switch (key) {
    case Key::Backspace:
        cursorLeft();
        deleteAtCaret();
        break;
    case Key::Delete: deleteAtCaret(); break;
    case Key::PageUp: pageUp(); break;
    case Key::PageDown: pageDown(); break;
    case Key::Left: cursorLeft(); break;
    case Key::Right: cursorRight(); break;
    case Key::Up: line_ = line_ == 1 ? kLinesPerPage : line_ - 1; break;
    case Key::Down: line_ = line_ == kLinesPerPage ? 1 : line_ + 1; break;
    case Key::Insert: break;
    }
    changed();
}

void TypingEngine::deleteAtCaret() {
    const int L = absoluteLine();
    changeLine(L, deleteCell(typed_[L - 1], col_));
}

void TypingEngine::cursorRight() {
    col_ += 2;
    if (col_ > kLastCellColumn) {
        col_ = 1;
        line_ = line_ == kLinesPerPage ? 1 : line_ + 1;
    }
}

void TypingEngine::cursorLeft() {
    col_ -= 2;
    if (col_ < 1) {
        col_ = kLastCellColumn;
        line_ = line_ == 1 ? kLinesPerPage : line_ - 1;
    }
}

void TypingEngine::pageDown() {
    if (page_ < pageCount()) ++page_;
}

void TypingEngine::pageUp() {
    if (page_ > 1) --page_;
}

// --- statistics, blink ------------------------------------------------------

void TypingEngine::statisticsTick() {
    takeStoreOutcome();
    const long long wrong = std::accumulate(wrong_.begin(), wrong_.end(), 0LL);
    const long long right = std::accumulate(right_.begin(), right_.end(), 0LL);
    wrongLabel_ = "错误字数：" + number(wrong) + "字";
    rightLabel_ = "正确字数：" + number(right) + "字";
    accuracyLabel_ = "正确率：" + number(right + wrong > 0 ? right * 100 / (right + wrong) : 100) + "％";
    if (running_) {
        const std::int64_t elapsed = dzTime_ + periodMs();
        const auto speed = elapsed > 0 ? static_cast<std::int64_t>(static_cast<double>(right + wrong) / elapsed * 60000.0) : 0;
        // The whole number: a speed of 1000 or more (a few keys in the first
        // moments of a period) is shown in full, not cut to its first three digits.
        speedLabel_ = "速度:" + number(speed) + "字/分钟";
    }
    changed();
}

void TypingEngine::blinkTick() {
    caretBlack_ = caretPhase_ == 1;
    caretPhase_ = caretPhase_ == 1 ? 2 : 1;
    changed();
}

// --- saving -------------------------------------------------------------

std::string TypingEngine::resultText() const {
    return number(dzTime_ + periodMs()) + " " + totalLabel_ + " " + rightLabel_ + " " + wrongLabel_ + " " +
           accuracyLabel_ + " " + speedLabel_;
}

bool TypingEngine::saveAndQuit() {
    const std::vector<std::string> errors = save();
    for (const std::string& error : errors) showError(error);
    if (!errors.empty()) shown();  // the screen stays open: a new typing period begins
    changed();
    return errors.empty();
}

bool TypingEngine::saveForGrading() {
    if (!unscored_) {  // nothing typed since the score was stored: it stands
        endPeriod();
        waitForStores();  // no write of the file or dz_result is left under way during grading
        return true;
    }
    const bool stored = save().empty();
    changed();
    return stored;
}

// Ends the typing period and stores the score with dz_result, then the
// typed-text file; each is tried even when the other fails. The score is that
// of the lines in memory whether or not the file could be written.
std::vector<std::string> TypingEngine::save() {
    std::vector<std::string> errors;
    if (!hasText()) {  // nothing could be typed: nothing to grade or keep
        endPeriod();
        return errors;
    }
    statisticsTick();
    endPeriod();
    const int right = std::accumulate(right_.begin(), right_.end(), 0);
    typedFile_.cancelPending();  // no store under way posts an older dz_result after this one
    try {
        record_.storeResult(resultText());
        record_.storeScore(typingScore(total_, right));
        unscored_ = false;
    } catch (const std::exception& e) {
        errors.push_back(platform::errorText(e));
    }
    try {
        typedFile_.storeNow(typed_);  // after, or instead of, any store still under way
        dirty_ = false;
    } catch (const std::exception& e) {
        errors.push_back(platform::errorText(e));
    }
    return errors;
}

// The store while typing (wait = false: the writer thread writes the file,
// then dz_result) and at hiding (wait = true: both here, after any store under
// way): the typed-text file and dz_result with the time so far; the period
// goes on. Each is tried even when the other fails; a failure is reported
// once, not at every store.
void TypingEngine::storeState(bool wait) {
    std::string error;
    try {
        if (wait)
            typedFile_.storeNow(typed_);
        else
            typedFile_.store(typed_, resultText());
    } catch (const std::exception& e) {
        error = platform::errorText(e);
    }
    if (wait) {
        try {
            record_.storeResult(resultText());
        } catch (const std::exception& e) {
            if (error.empty()) error = platform::errorText(e);
        }
    }
    dirty_ = !error.empty();
    if (error.empty() && wait) storeErrorShown_ = false;
    if (!error.empty() && !storeErrorShown_) {
        showError(error);
        storeErrorShown_ = true;
    }
}

// How the writer thread's last write went: a failed one is tried again at the
// next store and reported once; a successful one ends the reporting.
void TypingEngine::takeStoreOutcome() {
    const std::optional<std::string> outcome = typedFile_.takeOutcome();
    if (!outcome) return;
    if (outcome->empty()) {
        storeErrorShown_ = false;
        return;
    }
    dirty_ = true;
    if (!storeErrorShown_) {
        showError(*outcome);
        storeErrorShown_ = true;
    }
}

void TypingEngine::autosave() {
    takeStoreOutcome();  // a write that failed is tried again now
    if (!dirty_ || !hasText()) return;
    statisticsTick();
    storeState(/*wait=*/false);
}

void TypingEngine::showError(const std::string& text) { dialogs_.message(ui::MessageKind::Error, text); }

void TypingEngine::changed() {
    if (onChanged) onChanged();
}

}  // namespace kav::typing
