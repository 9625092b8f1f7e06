#pragma once
// The candidate's file manager without its window: what the candidate may do
// in the candidate folder for the Windows task, with the names and refusals of
// Windows in Chinese. Nothing here reaches above the candidate folder, and the
// read-only and hidden attributes are set through the same layer the grading
// reads them with (kav::platform::fileAttributes).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/ui/dialogs.h"

namespace kavlor::files {

// Why an operation was refused or failed, in Chinese; nullopt when it was done.
using Refusal = std::optional<std::string>;

class CandidateFiles {
public:
    explicit CandidateFiles(std::filesystem::path root);
    const std::filesystem::path& root() const { return root_; }
    // True for the candidate folder itself and anything inside it (".." parts
    // are resolved first, so "root/../x" is outside).
    bool contains(const std::filesystem::path& path) const;

    // A name the folder does not hold yet: base + suffix, then "base (2)" + suffix...
    std::string freeName(const std::filesystem::path& folder, const std::string& base,
                         const std::string& suffix = {}) const;

    Refusal createFolder(const std::filesystem::path& folder, const std::string& name);
    Refusal createFile(const std::filesystem::path& folder, const std::string& name);  // empty
    Refusal rename(const std::filesystem::path& item, const std::string& newName);
    // Deletes a file or a whole folder (read-only ones too, as Explorer does
    // after asking); the item vanishes at once, whatever is left of it after
    // a failure is kept under a hidden name and never shown.
    Refusal remove(const std::filesystem::path& item);

    // The clipboard: copy or cut takes the items, paste puts them into a folder
    // (a cut empties the clipboard once pasted). Each item keeps its read-only
    // and hidden attributes. A copy is made under a hidden name and renamed
    // into place, so a failed copy leaves nothing behind.
    void copy(std::vector<std::filesystem::path> items);
    void cut(std::vector<std::filesystem::path> items);
    bool canPaste() const { return !clipboard_.empty(); }
    Refusal paste(const std::filesystem::path& folder);

    // The attribute word as the grading reads it (0 when the item is gone).
    std::uint32_t attributes(const std::filesystem::path& item) const;
    Refusal setReadOnly(const std::filesystem::path& item, bool on);
    Refusal setHidden(const std::filesystem::path& item, bool on);

private:
    Refusal checkItem(const std::filesystem::path& item, const char* action) const;
    Refusal checkTargetFolder(const std::filesystem::path& folder) const;
    Refusal checkNewName(const std::filesystem::path& folder, const std::string& name,
                         const std::filesystem::path& renamed = {}) const;
    Refusal pasteOne(const std::filesystem::path& item, const std::filesystem::path& folder);
    std::string shown(const std::filesystem::path& path) const;

    std::filesystem::path root_;
    std::vector<std::filesystem::path> clipboard_;
    bool cutting_ = false;
};

// Whether a name may be given to a file or folder, as Windows allows it (no
// \ / : * ? " < > |, no control character, not ending in a dot or a space, not
// a device name such as CON or LPT1); names beginning with "." are refused too,
// since the station reads them as hidden for good. The refusal in Chinese.
Refusal checkName(const std::string& name);

// The handlers of the file manager's actions: they ask for names and
// confirmations and report refusals through the dialogs (so tests script
// them), then do the operation.
class FileManager {
public:
    FileManager(kav::ui::Dialogs& dialogs, std::filesystem::path root) : dialogs_(dialogs), files_(std::move(root)) {}
    CandidateFiles& files() { return files_; }
    const CandidateFiles& files() const { return files_; }

    // folder: the folder the new item goes into (the root or a selected folder).
    void newFolder(const std::filesystem::path& folder);
    void newFile(const std::filesystem::path& folder);
    void rename(const std::filesystem::path& item);
    void remove(const std::vector<std::filesystem::path>& items);  // asks first
    void copy(const std::vector<std::filesystem::path>& items) { files_.copy(items); }
    void cut(const std::vector<std::filesystem::path>& items) { files_.cut(items); }
    void paste(const std::filesystem::path& folder);
    void setReadOnly(const std::vector<std::filesystem::path>& items, bool on);
    void setHidden(const std::vector<std::filesystem::path>& items, bool on);

private:
    void report(const Refusal& refusal);
    kav::ui::Dialogs& dialogs_;
    CandidateFiles files_;
};

}  // namespace kavlor::files
