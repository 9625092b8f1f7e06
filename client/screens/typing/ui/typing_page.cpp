#include "client/screens/typing/ui/typing_page.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include "common/grading/typing_cells.h"
#include "common/text/gbk.h"

namespace kavlor {

using kav::typing::Key;
using kav::typing::TypingEngine;

namespace {
constexpr int kLeft = 6;
constexpr int kBoxWidth = kav::typing::kLineBytes * TypingPage::kByteWidth;
constexpr int kLines = TypingEngine::kLinesPerPage;

QString fromGbk(std::string_view bytes) {
    return QString::fromStdString(kav::text::gbkToUtf8(bytes, kav::text::OnInvalid::Replace));
}
}  // namespace

TypingPage::TypingPage(TypingEngine& engine, kav::ui::EventGate& gate, QWidget* parent)
    : QWidget(parent), engine_(engine), gate_(gate) {
    setObjectName("Edit1");
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    QFont f("Noto Sans CJK SC");
    f.setPixelSize(16);
    setFont(f);
}

QSize TypingPage::sizeHint() const {
    return {kLeft * 2 + kBoxWidth + 2 * kBoxInset, 8 + TypingEngine::kLinesPerPage * kLineHeight};
}

QRect TypingPage::typedBox(int pageLine) const {
    return {kLeft + kBoxInset, modelTop(pageLine) + kRowHeight + 1, kBoxWidth, kRowHeight};
}

int TypingPage::columnLeft(int byteColumn) { return kLeft + kBoxInset + (byteColumn - 1) * kByteWidth; }

QRect TypingPage::inkArea(int left, int top) {
    return {left - kByteWidth / 2, top, kCellWidth + kByteWidth, kRowHeight};
}

QRect TypingPage::markCell(int pageLine, int cell) const {
    return {columnLeft(2 * cell - 1), modelTop(pageLine) + 2 * kRowHeight + 2, kCellWidth, kRowHeight - 4};
}

// At the left edge of the caret's cell (the box's inset, then 10 px a byte
// column), on the caret's line.
QRect TypingPage::caretRect() const {
    const QRect first = typedBox(1);
    const int x = columnLeft(engine_.column());
    const int y = first.top() + 2 + (engine_.line() - 1) * kLineHeight;
    return {x, y, engine_.insertMode() ? 2 : 5, kRowHeight - 4};
}

// Draws a line of GBK bytes cell by cell: a double-byte character over its two
// byte columns, a half-width one centred on its own byte column (a wide letter
// such as "m" spreads over the edges of the column instead of being cut).
// Characters whose ink cannot reach the dirty region are skipped.
void TypingPage::drawBytes(QPainter& p, const std::string& gbk, int top, const QColor& colour,
                           const QRegion& dirty) const {
    p.setPen(colour);
    const std::size_t end = std::min<std::size_t>(gbk.size(), kav::typing::kLineBytes);
    for (std::size_t j = 0; j < end;) {
        const unsigned char b = static_cast<unsigned char>(gbk[j]);
        const int left = columnLeft(static_cast<int>(j) + 1);
        if (!dirty.intersects(inkArea(left, top))) {
            j += kav::text::isGbkLeadByte(b) ? 2 : 1;
            continue;
        }
        if (kav::text::isGbkLeadByte(b) && j + 1 < end) {
            p.drawText(QRect(left, top, kCellWidth, kRowHeight), Qt::AlignCenter,
                       fromGbk(std::string_view(gbk).substr(j, 2)));
            j += 2;
        } else {
            if (b > ' ' && b < 0x7F)
                p.drawText(QRect(left, top, kByteWidth, kRowHeight), Qt::AlignCenter | Qt::TextDontClip,
                           QString(QChar(b)));
            ++j;
        }
    }
}

QRect TypingPage::preeditRect() const {
    if (preedit_.isEmpty()) return {};
    const QRect caret = caretRect();
    return {caret.left(), caret.bottom() + 3, fontMetrics().horizontalAdvance(preedit_) + 6, kRowHeight};
}

TypingPage::Shown TypingPage::current() const {
    Shown now;
    now.page = engine_.hasText() ? engine_.page() : -1;
    for (int line = 1; line <= kLines; ++line) {
        now.typed[line - 1] = engine_.pageTypedLine(line);
        now.marks[line - 1] = engine_.pageMarks(line);
    }
    now.caret = caretRect();
    now.caretBlack = engine_.caretBlack();
    now.preedit = preeditRect();
    return now;
}

void TypingPage::refresh() {
    Shown now = current();
    if (now.page != shown_.page) {
        update();  // another page: every line is new
    } else {
        for (int line = 1; line <= kLines; ++line) {
            const std::string& typed = now.typed[line - 1];
            const std::string& marks = now.marks[line - 1];
            const int top = typedBox(line).top();
            for (int cell = 1; cell <= kav::typing::kCells; ++cell) {
                const std::size_t at = 2 * (cell - 1);
                if (typed.compare(at, 2, shown_.typed[line - 1], at, 2) != 0)
                    update(inkArea(columnLeft(2 * cell - 1), top));
                if (marks.compare(at, 2, shown_.marks[line - 1], at, 2) != 0) update(markCell(line, cell));
            }
        }
        if (now.caret != shown_.caret || now.caretBlack != shown_.caretBlack) {
            update(shown_.caret);
            update(now.caret);
        }
        if (now.preedit != shown_.preedit) {
            update(shown_.preedit);
            update(now.preedit);
        }
    }
    const bool caretMoved = now.caret != shown_.caret;
    shown_ = std::move(now);
    if (caretMoved) updateMicroFocus();
}

void TypingPage::paintEvent(QPaintEvent* e) {
    const QRegion& dirty = e->region();
    QPainter p(this);
    for (int line = 1; line <= kLines; ++line) {
        drawBytes(p, engine_.pageModelLine(line), modelTop(line), Qt::black, dirty);
        const QRect box = typedBox(line), frame = typedFrame(line);
        if (dirty.intersects(frame)) {
            p.fillRect(frame, Qt::white);
            p.setPen(QColor(128, 128, 128));
            p.drawRect(frame.adjusted(0, 0, -1, -1));
            drawBytes(p, engine_.pageTypedLine(line), box.top(), QColor(0, 0, 160), dirty);
        }
        if (!dirty.intersects(markCell(line, 1).united(markCell(line, kav::typing::kCells)))) continue;
        const std::string marks = engine_.pageMarks(line);
        p.setPen(Qt::red);
        for (int cell = 1; cell <= kav::typing::kCells; ++cell)
            if (marks.compare(2 * (cell - 1), 2, kav::typing::kWrongMark) == 0 && dirty.intersects(markCell(line, cell)))
                p.drawText(markCell(line, cell), Qt::AlignCenter, QString::fromUtf8("×"));
    }
    const QRect caret = caretRect();
    if (dirty.intersects(caret)) p.fillRect(caret, engine_.caretBlack() ? Qt::black : Qt::white);
    const QRect preedit = preeditRect();
    if (!preedit.isEmpty() && dirty.intersects(preedit)) {
        p.fillRect(preedit, QColor(255, 255, 200));
        p.setPen(Qt::black);
        p.drawRect(preedit.adjusted(0, 0, -1, -1));
        p.drawText(preedit, Qt::AlignCenter, preedit_);
    }
}

void TypingPage::keyPressEvent(QKeyEvent* e) {
    gate_.handle([&] { keyDown(*e); });
}

void TypingPage::keyDown(const QKeyEvent& key) {
    const QKeyEvent* e = &key;
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Backspace: engine_.press(Key::Backspace); return;
    case Qt::Key_Delete: engine_.press(Key::Delete); return;
    case Qt::Key_PageUp: engine_.press(Key::PageUp); return;
    case Qt::Key_PageDown: engine_.press(Key::PageDown); return;
    case Qt::Key_Left: engine_.press(Key::Left); return;
    case Qt::Key_Right: engine_.press(Key::Right); return;
    case Qt::Key_Up: engine_.press(Key::Up); return;
    case Qt::Key_Down: engine_.press(Key::Down); return;
    case Qt::Key_Insert: engine_.press(Key::Insert); return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return;
    default: break;
    }
    // The keypad's decimal key deletes the cell at the caret; the character it
    // gives is then entered like any other.
    if (keypad && (e->key() == Qt::Key_Period || e->key() == Qt::Key_Comma)) engine_.press(Key::Delete);
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    if (!e->text().isEmpty()) engine_.enterText(e->text().toStdString());
}

void TypingPage::inputMethodEvent(QInputMethodEvent* e) {
    const std::string committed = e->commitString().toStdString();
    if (!committed.empty()) gate_.handle([&] { engine_.enterText(committed); });
    preedit_ = e->preeditString();
    refresh();
    e->accept();
}

QVariant TypingPage::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return caretRect();
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: return 0;
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: return QString();
    case Qt::ImHints: return int(Qt::ImhNone);
    default: return QWidget::inputMethodQuery(query);
    }
}

}  // namespace kavlor
