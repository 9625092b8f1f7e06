#include "client/flow/ui/lockdown.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QWidget>

namespace kavlor {

namespace {

class CloseGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
            if (isAltF4(event)) return true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool isAltF4(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_F4 && (key->modifiers() & Qt::AltModifier);
}

void keepOpen(QWidget* window) { window->installEventFilter(new CloseGuard(window)); }

void TabBlocker::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TabBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
        event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kavlor
