#pragma once
// The candidate's file manager window: the candidate folder as a tree (its
// subfolders open below it, nothing above it can be reached), with Explorer's
// actions in a tool bar, a context menu and the usual keys. Every action hands
// the selection to kavlor::files::FileManager.
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "client/files/candidate_files.h"

class QAction;
class QFileSystemModel;
class QTreeView;

namespace kavlor::files {

class FileManagerWindow : public QWidget {
public:
    // folderCaption: the folder as the exam names it ("c:\kavlor\11010001").
    FileManagerWindow(kav::ui::Dialogs& dialogs, const std::filesystem::path& root, const std::string& folderCaption,
                      QWidget* parent = nullptr);

    // Called with a file the candidate opens (double-click or 打开).
    std::function<void(const std::filesystem::path&)> openFile;

    QTreeView* view() const { return view_; }
    FileManager& logic() { return logic_; }
    // The actions by name, for tests: newFolder newFile open cut copy paste
    // rename delete readOnly hidden.
    QAction* action(const char* name) const;
    // Selects the items, as clicks would; paths outside the candidate folder are passed over.
    void select(const std::vector<std::filesystem::path>& items);

private:
    std::vector<std::filesystem::path> selected() const;
    // Where new items and pasted ones go: the selected folder, the folder of
    // the selected file, or the candidate folder.
    std::filesystem::path targetFolder() const;
    void updateActions();
    void after();  // repaints the attributes and the actions' states

    FileManager logic_;
    QFileSystemModel* model_;
    QTreeView* view_;
    std::vector<QAction*> actions_;
};

}  // namespace kavlor::files
