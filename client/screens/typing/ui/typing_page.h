#pragma once
// The seven lines of the page shown by the typing screen: for each line the
// model line, the candidate's typed line in a white box and the red mark row
// under it, every cell drawn in its own square so that a mark stands exactly
// under its character. It holds the keyboard focus and takes the keys and the
// input method's committed text (it is the screen's hidden input field), and
// tells the input method where the caret is so that its window opens there.
//
// A keystroke repaints only what it changed: the page remembers what it last
// asked to be drawn and, on refresh(), marks dirty only the cells whose
// typed bytes or marks differ, the caret's old and new places and the input
// method's text; a new page is drawn whole.
#include <QWidget>
#include <array>
#include <string>

#include "client/screens/typing/typing_engine.h"
#include "common/ui/event_gate.h"

namespace kavlor {

class TypingPage : public QWidget {
public:
    // One geometry for text, marks and caret: a byte column is half a cell.
    static constexpr int kByteWidth = 10;
    static constexpr int kCellWidth = 2 * kByteWidth;  // one two-byte cell
    static constexpr int kRowHeight = 21;
    static constexpr int kLineHeight = 72;  // model row, typed row, mark row and a gap
    // The drawn box's border and padding left of the first cell (and right of
    // the last): a wide half-width letter drawn in the first cell stays inside.
    static constexpr int kBoxInset = 4;

    // Keys and committed text reach the engine through the gate.
    TypingPage(kav::typing::TypingEngine& engine, kav::ui::EventGate& gate, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // Repaints what changed since the last refresh, and tells the input
    // method when the caret moved.
    void refresh();

    // The typed line's 28 cells on page line 1-7, the box drawn around them
    // (with its border and padding), and the drawn caret, in this widget.
    QRect typedBox(int pageLine) const;
    QRect typedFrame(int pageLine) const { return typedBox(pageLine).adjusted(-kBoxInset, 0, kBoxInset, 0); }
    QRect caretRect() const;
    QRect markCell(int pageLine, int cell) const;  // cell 1-28
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void inputMethodEvent(QInputMethodEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab never leaves the page

private:
    // What the page last asked to be drawn.
    struct Shown {
        int page = 0;  // 0: nothing drawn yet
        std::array<std::string, 7> typed, marks;
        QRect caret;
        bool caretBlack = true;
        QRect preedit;
    };

    int modelTop(int pageLine) const { return 4 + (pageLine - 1) * kLineHeight; }
    static int columnLeft(int byteColumn);  // the left edge of byte column 1-56
    // Where the ink of a cell's character may fall: the cell, and half a byte
    // column either side for a wide half-width letter.
    static QRect inkArea(int left, int top);
    QRect preeditRect() const;
    Shown current() const;
    void drawBytes(QPainter& p, const std::string& gbk, int top, const QColor& colour, const QRegion& dirty) const;
    void keyDown(const QKeyEvent& key);

    kav::typing::TypingEngine& engine_;
    kav::ui::EventGate& gate_;
    QString preedit_;  // the input method's text being composed
    Shown shown_;
};

}  // namespace kavlor
