// The table of rule kinds and the checks agree: every kind in the table has a
// check, the check reads each position field where the table puts it and the
// value through the kind's list, and reads no field the table does not give.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/answer/answer_text.h"
#include "common/answer/rule_kinds.h"
#include "common/word/checks.h"
#include "tests/word/word_test_util.h"

using namespace kav::word;
using kav::answer::AnswerRule;
using kav::answer::Position;
using kav::answer::RuleKind;
using kav::answer::ValueType;
using kav::word::test::fixtureDoc;

namespace {

// A document that holds the objects the kind looks at.
const Document& documentFor(const RuleKind& k) {
    if (k.fieldOf(Position::Table)) return fixtureDoc("tables.docx");
    if (k.fieldOf(Position::Shape)) return fixtureDoc("shapes.docx");
    return fixtureDoc("lo_text.docx");
}

AnswerRule ruleOf(std::vector<std::string> fields) {
    AnswerRule rule;
    for (auto& f : fields) rule.text += (rule.text.empty() ? "" : " ") + f;
    rule.fields = std::move(fields);
    return rule;
}

// A complete rule of kind k naming objects the kind's document has: position 1
// everywhere (side 1 is the top, find entry 0 "must be found"), the first list
// entry, 0 points, or a text. Text boxes and WordArt share one numbering, so
// the shape is given by the caller.
std::vector<std::string> wellFormedFields(const RuleKind& k, const std::string& shape) {
    std::vector<std::string> fields{std::to_string(k.number), "1"};
    for (Position p : k.positions)
        fields.push_back(p == Position::Shape ? shape : p == Position::Find ? "0" : "1");
    switch (k.value) {
    case ValueType::None: break;
    case ValueType::Content:
    case ValueType::FontName: fields.push_back("计"); break;
    case ValueType::Points:
    case ValueType::Count:
    case ValueType::ListEntry: fields.push_back("0"); break;
    }
    return fields;
}

// The reason the check of kind k gives up on the rule, "" when it reads it.
std::string thrownBy(const RuleKind& k, const std::vector<std::string>& fields) {
    try {
        runCheck(documentFor(k), k.number, ruleOf(fields));
    } catch (const CheckError& e) {
        return e.what();
    } catch (const std::logic_error& e) {  // the check and the table disagree
        ADD_FAILURE() << "kind " << k.number << ": " << e.what();
    }
    return "";
}

// The shape number whose object the kind's check accepts ("" when none does).
std::string shapeFor(const RuleKind& k) {
    if (!k.fieldOf(Position::Shape)) return "";
    for (std::size_t s = 1; s <= documentFor(k).shapes().size(); ++s)
        if (thrownBy(k, wellFormedFields(k, std::to_string(s))).empty()) return std::to_string(s);
    return "";
}

}  // namespace

TEST(WordRuleKinds, EveryKindInTheTableHasACheckReadingOnlyItsFields) {
    auto kinds = kav::answer::allRuleKinds();
    ASSERT_EQ(kinds.size(), static_cast<std::size_t>(kav::answer::kRuleKindCount));
    for (const RuleKind& k : kinds) {
        ASSERT_EQ(kav::answer::findRuleKind(k.number), &k);
        EXPECT_LE(k.fieldCount(), kav::answer::kMaxFields) << "kind " << k.number;
        EXPECT_EQ(k.list.has_value(), k.value == ValueType::ListEntry) << "kind " << k.number;
        const std::string shape = shapeFor(k);
        if (k.fieldOf(Position::Shape)) {
            ASSERT_NE(shape, "") << "no shape fits kind " << k.number;
        }
        // A check that is missing throws std::logic_error; one that reads a
        // field beyond the rule finds it empty, which is no number.
        auto fields = wellFormedFields(k, shape);
        EXPECT_EQ(thrownBy(k, fields), "") << "kind " << k.number;
        EXPECT_EQ(fields.size(), k.fieldCount());
    }
}

TEST(WordRuleKinds, KindsOutsideTheTableHaveNoCheck) {
    for (int number : {-1, 0, 82, 100}) {
        EXPECT_EQ(kav::answer::findRuleKind(number), nullptr);
        try {
            runCheck(fixtureDoc("lo_text.docx"), number, ruleOf({std::to_string(number), "1", "1", "1"}));
            ADD_FAILURE() << "kind " << number << " was checked";
        } catch (const CheckError& e) {
            EXPECT_EQ(std::string(e.what()), "没有第 " + std::to_string(number) + " 种规则");
        }
    }
}

TEST(WordRuleKinds, EachPositionIsReadWhereTheTablePutsIt) {
    for (const RuleKind& k : kav::answer::allRuleKinds()) {
        const auto valid = wellFormedFields(k, shapeFor(k));
        for (Position p : k.positions) {
            auto fields = valid;
            std::size_t at = *k.fieldOf(p) - 1;
            // An object far beyond the document, or an entry outside the position's list.
            auto list = kav::answer::positionList(p);
            fields[at] = list ? std::to_string(kav::answer::valueList(*list).size()) : "99999";
            EXPECT_NE(thrownBy(k, fields), "") << "kind " << k.number << " ignores field " << at + 1;
        }
    }
}

TEST(WordRuleKinds, EachListValueIsReadFromTheKindsList) {
    for (const RuleKind& k : kav::answer::allRuleKinds()) {
        if (!k.list) continue;
        const auto& list = kav::answer::valueList(*k.list);
        auto fields = wellFormedFields(k, shapeFor(k));
        std::size_t at = k.valueField() - 1;
        fields[at] = std::to_string(list.size() - 1);
        EXPECT_EQ(thrownBy(k, fields), "") << "kind " << k.number << ": the last " << list.name() << " entry";
        for (std::string outside : {std::to_string(list.size()), std::string("-1")}) {
            fields[at] = outside;
            EXPECT_EQ(thrownBy(k, fields), "列表项 " + outside + " 不在" + std::string(list.name()) + "列表中")
                << "kind " << k.number;
        }
    }
}
