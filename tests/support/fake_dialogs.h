#pragma once
// Scripted dialogs for tests: every message is recorded with its kind and exact
// text; answers and prompt replies are taken from queues (Ok / cancel when empty).
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "common/ui/dialogs.h"

namespace kav::test {

struct ShownMessage {
    ui::MessageKind kind;
    std::string text;
    ui::Buttons buttons;
};

class FakeDialogs : public ui::Dialogs {
public:
    std::vector<ShownMessage> shown;
    std::vector<std::string> prompts;  // the labels of the prompts asked
    std::vector<std::string> promptCaptions, promptInitials;
    std::deque<ui::Answer> answers;
    std::deque<std::optional<std::string>> replies;
    std::deque<std::optional<std::filesystem::path>> files;
    int closeRequests = 0;  // calls of closeOpenBoxes()
    // Called as each message is shown, to look at the program's state then.
    std::function<void(const ShownMessage&)> onMessage;

    ui::Answer message(ui::MessageKind kind, const std::string& text, ui::Buttons buttons,
                       const std::string&) override {
        shown.push_back({kind, text, buttons});
        if (onMessage) onMessage(shown.back());
        if (answers.empty()) return buttons == ui::Buttons::Ok || buttons == ui::Buttons::OkCancel ? ui::Answer::Ok
                                                                                                     : ui::Answer::Yes;
        ui::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> prompt(const std::string& caption, const std::string& label,
                                      const std::string& initial, bool) override {
        prompts.push_back(label);
        promptCaptions.push_back(caption);
        promptInitials.push_back(initial);
        if (replies.empty()) return std::nullopt;
        auto r = replies.front();
        replies.pop_front();
        return r;
    }
    std::optional<std::filesystem::path> openFile(const std::string&, const std::string&) override { return nextFile(); }
    std::optional<std::filesystem::path> saveFile(const std::string&, const std::string&) override { return nextFile(); }
    std::vector<std::filesystem::path> proposedFiles;  // what each saveFileAt proposed
    std::optional<std::filesystem::path> saveFileAt(const std::string&, const std::string&,
                                                    const std::filesystem::path& proposed, const std::string&) override {
        proposedFiles.push_back(proposed);
        return nextFile();
    }
    void closeOpenBoxes() override { ++closeRequests; }
    // Progress boxes: their labels and the reports each got; with cancelAfter
    // set, 取消 is pressed once that many reports came.
    std::vector<std::string> progressLabels;
    std::vector<std::pair<int, int>> progressReports;
    std::optional<int> cancelAfter;
    void runWithProgress(const std::string& label, const std::function<void(const Progress&)>& work) override {
        progressLabels.push_back(label);
        progressReports.clear();
        work(Progress{[this](int done, int total) { progressReports.emplace_back(done, total); },
                      [this] { return cancelAfter && static_cast<int>(progressReports.size()) >= *cancelAfter; }});
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (auto& m : shown) t.push_back(m.text);
        return t;
    }
    std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }

private:
    std::optional<std::filesystem::path> nextFile() {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

}  // namespace kav::test
