#pragma once
// The seven lines of the page shown by the typing screen: for each line the
// model line, the candidate's typed line in a white box and the red mark row
// under it, every cell drawn in its own square so that a mark stands exactly
// under its character. It holds the keyboard focus and takes the keys and the
// input method's committed text (it is the screen's hidden input field), and
// tells the input method where the caret is so that its window opens there.
#include <QWidget>

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

    // Keys and committed text reach the engine through the gate.
    TypingPage(kav::typing::TypingEngine& engine, kav::ui::EventGate& gate, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // Redraws, and tells the input method that the caret may have moved.
    void refresh() {
        update();
        updateMicroFocus();
    }

    // The typed-line box of page line 1-7, and the drawn caret, in this widget.
    QRect typedBox(int pageLine) const;
    QRect caretRect() const;
    QRect markCell(int pageLine, int cell) const;  // cell 1-28
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void inputMethodEvent(QInputMethodEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab never leaves the page

private:
    int modelTop(int pageLine) const { return 4 + (pageLine - 1) * kLineHeight; }
    static int columnLeft(int byteColumn);  // the left edge of byte column 1-56
    void drawBytes(QPainter& p, const std::string& gbk, int top, const QColor& colour) const;
    void keyDown(const QKeyEvent& key);

    kav::typing::TypingEngine& engine_;
    kav::ui::EventGate& gate_;
    QString preedit_;  // the input method's text being composed
};

}  // namespace kavlor
