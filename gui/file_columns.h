#pragma once
// The kind and date columns of a file list as a Chinese Windows writes them,
// whatever the machine's locale (C on a lab machine) and Qt's catalog (which
// has no Chinese kinds): the candidate's file manager and every file dialog.
#include <QDateTime>
#include <QString>

namespace kav::gui {

// "文件夹", "TXT 文件", or "文件" for a name without an extension.
inline QString fileKindText(bool isFolder, const QString& suffix) {
    if (isFolder) return QString::fromUtf8("文件夹");
    return suffix.isEmpty() ? QString::fromUtf8("文件") : suffix.toUpper() + QString::fromUtf8(" 文件");
}

inline QString fileDateText(const QDateTime& modified) { return modified.toString(QStringLiteral("yyyy/MM/dd HH:mm")); }

}  // namespace kav::gui
