#include "client/files/ui/file_manager_window.h"

#include <QAction>
#include <QDateTime>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMenu>
#include <QPalette>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "common/platform/platform.h"
#include "gui/file_columns.h"

namespace fs = std::filesystem;

namespace kavlor::files {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
fs::path pathOf(const QString& s) { return fs::path(s.toStdString()); }

// The file system as the candidate sees it: Chinese column titles and a
// column with the read-only and hidden attributes; hidden items greyed, as
// Explorer shows them when hidden files are shown.
class CandidateFolderModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    static constexpr int kAttributesColumn = 4;

    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.column() > 0 ? 0 : kAttributesColumn + 1;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[] = {"名称", "大小", "类型", "修改日期", "属性"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section <= kAttributesColumn)
            return QString::fromUtf8(titles[section]);
        return QFileSystemModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const std::uint32_t attrs =
            index.isValid() ? kav::platform::fileAttributes(pathOf(filePath(index))).value_or(0) : 0;
        if (index.column() == kAttributesColumn) {
            if (role != Qt::DisplayRole) return {};
            QStringList words;
            if (attrs & kav::platform::kAttrReadOnly) words << QString::fromUtf8("只读");
            if (attrs & kav::platform::kAttrHidden) words << QString::fromUtf8("隐藏");
            return words.join(' ');
        }
        // Kind and date as a Chinese Windows shows them, whatever the station's locale.
        if (role == Qt::DisplayRole && index.column() == 2)
            return kav::gui::fileKindText(attrs & kav::platform::kAttrDirectory, fileInfo(index).suffix());
        if (role == Qt::DisplayRole && index.column() == 3) return kav::gui::fileDateText(lastModified(index));
        if (role == Qt::ForegroundRole && (attrs & kav::platform::kAttrHidden))
            return QPalette().color(QPalette::Disabled, QPalette::Text);
        return QFileSystemModel::data(index, role);
    }
};

}  // namespace

FileManagerWindow::FileManagerWindow(kav::ui::Dialogs& dialogs, const fs::path& root, const std::string& folderCaption,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), logic_(dialogs, root) {
    setObjectName("fileManager");
    setWindowTitle(QString::fromUtf8("考生文件夹 - ") + qs(folderCaption));
    model_ = new CandidateFolderModel(this);
    // Names beginning with "." (the hidden lists, work in progress) and links are never shown.
    model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    model_->setReadOnly(true);  // renaming and moving only through the actions
    const QString rootPath = qs(logic_.files().root().string());
    model_->setRootPath(rootPath);

    view_ = new QTreeView(this);
    view_->setModel(model_);
    view_->setRootIndex(model_->index(rootPath));
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setDragEnabled(false);
    view_->setAcceptDrops(false);
    view_->setSortingEnabled(true);
    view_->sortByColumn(0, Qt::AscendingOrder);
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (auto [column, width] : {std::pair{0, 220}, {1, 80}, {2, 90}, {3, 130}})
        view_->header()->resizeSection(column, width);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [&](const char* name, const char* text, QKeySequence keys = {}, bool checkable = false) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setCheckable(checkable);
        bar->addAction(a);
        view_->addAction(a);
        actions_.push_back(a);
        return a;
    };
    auto on = [this](QAction* a, std::function<void()> run) {
        connect(a, &QAction::triggered, this, [this, run] {
            run();
            after();
        });
    };
    on(add("newFolder", "新建文件夹", QKeySequence("Ctrl+Shift+N")), [this] { logic_.newFolder(targetFolder()); });
    on(add("newFile", "新建文件"), [this] { logic_.newFile(targetFolder()); });
    on(add("open", "打开"), [this] {
        for (const fs::path& p : selected())
            if (!fs::is_directory(p) && openFile) openFile(p);
    });
    on(add("cut", "剪切", QKeySequence::Cut), [this] { logic_.cut(selected()); });
    on(add("copy", "复制", QKeySequence::Copy), [this] { logic_.copy(selected()); });
    on(add("paste", "粘贴", QKeySequence::Paste), [this] { logic_.paste(targetFolder()); });
    on(add("rename", "重命名", QKeySequence(Qt::Key_F2)), [this] {
        if (auto items = selected(); items.size() == 1) logic_.rename(items[0]);
    });
    on(add("delete", "删除", QKeySequence::Delete), [this] { logic_.remove(selected()); });
    // Checked when every selected item has the attribute; a click sets or clears it on all.
    connect(add("readOnly", "只读", {}, true), &QAction::triggered, this, [this](bool set) {
        logic_.setReadOnly(selected(), set);
        after();
    });
    connect(add("hidden", "隐藏", {}, true), &QAction::triggered, this, [this](bool set) {
        logic_.setHidden(selected(), set);
        after();
    });

    connect(view_, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        const fs::path p = pathOf(model_->filePath(index));
        if (!fs::is_directory(p) && openFile) openFile(p);
    });
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(view_, 1);
    // Below the exam's toolbar strip, which stays on top.
    setGeometry(60, 90, 680, 440);
    updateActions();
}

QAction* FileManagerWindow::action(const char* name) const {
    for (QAction* a : actions_)
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

void FileManagerWindow::select(const std::vector<fs::path>& items) {
    view_->selectionModel()->clearSelection();
    for (const fs::path& p : items) {
        if (!logic_.files().contains(p)) continue;
        const QModelIndex index = model_->index(qs(p.string()));
        if (index.isValid())
            view_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

std::vector<fs::path> FileManagerWindow::selected() const {
    std::vector<fs::path> items;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows()) {
        const fs::path p = pathOf(model_->filePath(index));
        if (logic_.files().contains(p)) items.push_back(p);
    }
    return items;
}

fs::path FileManagerWindow::targetFolder() const {
    const auto items = selected();
    if (items.size() != 1) return logic_.files().root();
    std::error_code ec;
    return fs::is_directory(items[0], ec) ? items[0] : items[0].parent_path();
}

void FileManagerWindow::updateActions() {
    const auto items = selected();
    bool allReadOnly = !items.empty(), allHidden = !items.empty();
    for (const fs::path& p : items) {
        const std::uint32_t attrs = logic_.files().attributes(p);
        allReadOnly = allReadOnly && (attrs & kav::platform::kAttrReadOnly);
        allHidden = allHidden && (attrs & kav::platform::kAttrHidden);
    }
    for (const char* name : {"open", "cut", "copy", "delete", "readOnly", "hidden"}) action(name)->setEnabled(!items.empty());
    action("rename")->setEnabled(items.size() == 1);
    action("paste")->setEnabled(logic_.files().canPaste());
    action("readOnly")->setChecked(allReadOnly);
    action("hidden")->setChecked(allHidden);
}

void FileManagerWindow::after() {
    view_->viewport()->update();
    updateActions();
}

}  // namespace kavlor::files
