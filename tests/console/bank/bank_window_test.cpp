// The bank's pages inside the console's main window on Qt's offscreen
// platform: their texts, the tab strips, the Word button, the update page's
// flag, the picture check and the typing box handed to the logic.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QTest>

#include "console/pages/bank/ui/bank_pages.h"
#include "gui/picture_check.h"
#include "tests/console/logged_in_console.h"
#include "tools/demo/demo_pictures.h"

namespace mendrix::bank {
namespace {

using kav::ui::Answer;
using Strings = std::vector<std::string>;

std::string s(const QString& t) { return t.toStdString(); }

class BankWindowTest : public test::LoggedInConsole {
protected:
    TForm1& main() { return *app->Form1(); }
    BankPages& pages() { return *main().bankPages(); }
    Strings labels(const char* panel) {
        Strings texts;
        QWidget* p = main().findChild<QWidget*>(panel);
        for (QLabel* l : p->findChildren<QLabel*>())
            if (!l->text().isEmpty() && !l->objectName().startsWith("Label")) texts.push_back(s(l->text()));
        return texts;
    }
};

TEST_F(BankWindowTest, EveryPageShowsItsLabelsAndButtons) {
    const std::pair<const char*, Strings> pagesLabels[] = {
        {"Panel6", {"准考证号：", "考生姓名：", "登录口令："}},
        {"Panel9", {"WIN题相应考题（格式请看帮助）", "考题中应该初始化的文件和目录", "WIN题评分标准答案"}},
        {"Panel12", {"选择题干：", "A选择枝：", "B选择枝", "C选择枝", "D选择枝", "标准答案："}},
        {"Panel16", {"WORD题目：", "WORD答案：", "相应Word文件名"}},
        {"Panel13",
         {"注意事项：", "1、只能输入全角的符号，数字及字母。", "2、输入的汉字字数不限，但是每行只能28个汉字。",
          "3、文件起名必须象txt0.txt，可以将0改成其它数", "字，但该数字必须是按自然数顺序逐一递增。"}},
    };
    for (const auto& [panel, expected] : pagesLabels) {
        Strings found = labels(panel);
        for (const std::string& text : expected)
            EXPECT_NE(std::find(found.begin(), found.end(), text), found.end()) << panel << " " << text;
    }
    EXPECT_EQ(s(pages().BitBtn39->text()), "插入");
    EXPECT_EQ(s(pages().BitBtn40->text()), "删除");
    EXPECT_EQ(s(pages().Button1->text()), "按此可修改答案");
    EXPECT_EQ(s(pages().BitBtn41->text()), "确定");
    EXPECT_EQ(s(pages().BitBtn21->text()), "全角与字数校验");
    EXPECT_EQ(s(pages().BitBtn22->text()), "生成打字文件");
    EXPECT_EQ(s(pages().BitBtn22->toolTip()), "文件名规则，请看帮助信息！");
    EXPECT_EQ(pages().memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(BankWindowTest, TheChoiceGridShowsTheKeyAt1280By800WithLongQuestions) {
    kav::db::Cursor& select = app->console().data().ADOTable_select();
    select.append();
    select.field("select_question").setString(std::string(600, 'q'));
    for (const char* option : {"sel_a", "sel_b", "sel_c", "sel_d"}) select.field(option).setString(std::string(200, 'o'));
    select.field("correct_sel").setString("B");
    select.post();
    main().resize(1280, 800);
    trigger("N5");
    auto* grid = main().findChild<QTableView*>("DBGrid3");
    for (auto* refresh : main().findChild<QWidget*>("DBNavigator3")->findChildren<QToolButton*>())
        if (refresh->toolTip() == "刷新") refresh->click();
    QApplication::processEvents();
    const int key = 1;  // beside the stem
    ASSERT_EQ(s(grid->model()->headerData(key, Qt::Horizontal).toString()), "正确答案");
    EXPECT_EQ(s(grid->model()->index(0, key).data().toString()), "B");
    const QRect cell = grid->visualRect(grid->model()->index(0, key));
    EXPECT_TRUE(grid->viewport()->rect().contains(cell)) << "the key's cell is wholly in view";
    EXPECT_LE(grid->columnWidth(0), 400) << "a long stem does not take the screen";
}

TEST_F(BankWindowTest, TheTabStripsSwitchBetweenGridAndRecordView) {
    struct Case {
        QTabBar* tabs;
        QWidget *grid, *record;
        const char* item;
    };
    const Case cases[] = {{pages().TabControl1, pages().Panel5, pages().Panel6, "N3"},
                          {pages().TabControl3, pages().Panel11, pages().Panel12, "N5"}};
    for (const Case& c : cases) {
        trigger(c.item);
        EXPECT_TRUE(c.grid->isVisible());
        EXPECT_FALSE(c.record->isVisible());
        c.tabs->setCurrentIndex(1);
        EXPECT_FALSE(c.grid->isVisible());
        EXPECT_TRUE(c.record->isVisible());
        c.tabs->setCurrentIndex(0);
        EXPECT_TRUE(c.grid->isVisible());
    }
}

TEST_F(BankWindowTest, TheAnswerButtonIsEnabledWithTheEditorHookAndAWordRow) {
    trigger("WORD1");
    EXPECT_FALSE(pages().Button1->isEnabled());
    int opened = 0;
    pages().bank().word.openRuleEditor = [&] { ++opened; };
    pages().refresh();
    EXPECT_FALSE(pages().Button1->isEnabled()) << "no Word question yet";
    main().findChild<QPlainTextEdit*>("wordQuestionMemo")->setPlainText("题目");
    EXPECT_TRUE(pages().Button1->isEnabled());
    QTest::mouseClick(pages().Button1, Qt::LeftButton);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(column("stu.mdb", "word", "question"), Strings{"题目"}) << "saved before the editor opened";
}

TEST_F(BankWindowTest, TheUpdatePageShowsTheFlagAndTheBanksGaps) {
    dialogs.answers = {Answer::Yes};
    trigger("N23");
    EXPECT_TRUE(main().page(Page::UpdateList)->isVisible());
    EXPECT_EQ(s(pages().updateFlagLabel->text()), "更新题库(学生机)：开 —— 学生机每次启动都会从教师机复制以上文件。");
    EXPECT_EQ(s(pages().bankLabel->text()),
              "选择题只有0道，少于30道，学生机无法抽题！\r没有WIN题，学生机无法抽题！\r没有WORD题，学生机无法开始考试！");
    QTest::keyClicks(main().findChild<QLineEdit*>("DBEdit29"), "a**b");
    QTest::mouseClick(pages().BitBtn41, Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), "更新文件列表有误，未保存：\r第2个文件名“”为空（两个*之间没有文件名）");
}

TEST_F(BankWindowTest, OnlyPicturesQtCanReadCountAsPicturesAndTooLargeOnesAreToldApart) {
    using Kind = PictureCheck::Kind;
    const PictureCheck pie = kav::gui::checkPicture(kav::demo::pictureBmp(kav::demo::Picture::PieChart));
    EXPECT_EQ(pie.kind, Kind::Image);
    EXPECT_GT(pie.width, 0);
    EXPECT_EQ(kav::gui::checkPicture("BM but no bitmap").kind, Kind::NotImage);
    EXPECT_EQ(kav::gui::checkPicture("").kind, Kind::NotImage);
    // A sound PNG header of 20000×20000 pixels: more than Qt allocates for a picture.
    const std::string huge("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x4e\x20\x00\x00"
                           "\x4e\x20\x08\x02\x00\x00\x00\x6c\x12\xd1\x6e\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c"
                           "\x63\x60\xa0\x00\x00\x00\x00\x3d\x00\x01\x2c\xbd\xed\x98\x00\x00\x00\x00\x49\x45\x4e\x44"
                           "\xae\x42\x60\x82",
                           69);
    const PictureCheck tooLarge = kav::gui::checkPicture(huge);
    EXPECT_EQ(tooLarge.kind, Kind::TooLarge);
    EXPECT_EQ(tooLarge.width, 20000);
    // A plain 3000×3000 PNG: a small file, 34 MB to show.
    QImage plain(3000, 3000, QImage::Format_RGB32);
    plain.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(plain.save(&buffer, "PNG"));
    const PictureCheck wide = kav::gui::checkPicture(png.toStdString());
    EXPECT_EQ(wide.kind, Kind::Image);
    EXPECT_LT(png.size(), 200 * 1024);
    EXPECT_NE(pictureDecodedWarning(wide), "");
}

TEST_F(BankWindowTest, APictureCutShortIsRefusedAndAWholeOneOfEachOfferedKindAccepted) {
    // Varied pixels, so that most of each file is pixel data and both cuts fall into it.
    QImage picture(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, x * y % 256));
    for (const char* format : {"BMP", "PNG", "JPEG"}) {
        SCOPED_TRACE(format);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, format));
        const std::string whole = bytes.toStdString();
        const PictureCheck accepted = kav::gui::checkPicture(whole);
        EXPECT_EQ(accepted.kind, PictureCheck::Kind::Image);
        EXPECT_EQ(pictureRefusal(accepted), "");
        for (std::size_t kept : {whole.size() * 2 / 3, whole.size() - 20}) {
            const PictureCheck cut = kav::gui::checkPicture(whole.substr(0, kept));
            EXPECT_EQ(cut.kind, PictureCheck::Kind::Truncated) << kept << " of " << whole.size();
            EXPECT_EQ(pictureRefusal(cut), kPictureTruncated);
        }
    }
    EXPECT_NE(std::string(kPictureFilter).find("*.png *.jpg *.jpeg *.bmp"), std::string::npos);
}

TEST_F(BankWindowTest, TheTypingBoxIsHandedToTheChecks) {
    trigger("N6");
    pages().memo1->setPlainText(QString::fromUtf8("全角文字\nhalf"));
    QTest::mouseClick(pages().BitBtn21, Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), Strings{"请注意：第2行包含半角的字符！！！"});
    EXPECT_EQ(s(pages().memo1->toPlainText()), "全角文字\nhalf") << "the text stays";
}

}  // namespace
}  // namespace mendrix::bank
