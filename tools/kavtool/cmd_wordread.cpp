// kavtool word-read DOCUMENT KIND [POSITION ...]: prints the value that, as
// the last field of a rule of KIND after these positions, makes the rule pass
// on the document; the rule editor's "从样稿读取" reads with the same code.
// For page break before and WordArt bold or italic the last field is the
// paragraph's or shape's own position: left out, every one that holds is listed.
#include <cstdio>
#include <memory>

#include "common/answer/answer_text.h"
#include "common/answer/rule_kinds.h"
#include "common/word/docx_package.h"
#include "common/word/rule_reading.h"
#include "tools/kavtool/command.h"

namespace {

int wordRead(const kavtool::Args& args) {
    if (args.size() < 2) throw kavtool::UsageError("expected DOCUMENT and KIND");
    auto number = kav::answer::parseWholeNumber(args[1]);
    const kav::answer::RuleKind* kind = number ? kav::answer::findRuleKind(*number) : nullptr;
    if (!kind) throw kavtool::UsageError("KIND must be a rule kind from 1 to 81, not \"" + args[1] + "\"");
    std::vector<std::string> positions(args.begin() + 2, args.end());
    if (!kav::word::readsWithPositions(*kind, positions.size())) {
        std::string takes = std::to_string(kind->positions.size()) + " position(s)";
        if (kind->value == kav::answer::ValueType::None && !kind->positions.empty())
            takes += " (or one fewer, to list every position where it holds: the last one is the rule's value)";
        throw kavtool::UsageError("kind " + args[1] + " takes " + takes + ", " + std::to_string(positions.size()) +
                                  " given");
    }
    for (std::size_t i = 0; i < positions.size(); ++i)
        if (auto problem = kav::answer::positionProblem(*kind, kind->positions[i], positions[i]))
            throw kavtool::UsageError("position " + std::to_string(i + 1) + ": " + *problem);
    std::unique_ptr<kav::word::Document> doc;
    try {
        doc = kav::word::Document::load(args[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavtool word-read: cannot read %s: %s\n", args[0].c_str(), e.what());
        return 1;
    }
    std::printf("%s\n", kav::word::readRuleValue(*doc, *kind, positions).line().c_str());
    return 0;
}

}  // namespace

KAVTOOL_COMMAND(kavtool::Command{"word-read", "word-read DOCUMENT KIND [POSITION ...]",
                                 "print the value a rule of KIND at these positions needs to pass on a .docx",
                                 wordRead});
