#pragma once

#include <QString>

#include <optional>
#include <utility>

class MessageBox;

// What a file dialog is shown for: a file to read (it must exist), a file to write, or one
// to append to (an existing file is no reason to ask about replacing it).
enum class FileDialogMode { Open, Save, SaveAppending };

// A choice the dialog could not make; each has the number its message shows.
enum class FileDialogError { FileNotFound = 53, PathNotFound = 76 };
struct FileDialogFailure
{
    FileDialogError error;
    QString systemText; // "File not found", "Path not found"
};

struct FileDialogRequest
{
    FileDialogMode mode;
    // Label and pattern pairs, each part followed by "|": "All Files (*.*)|*.*|".
    QString filter;
    QString title; // empty: the dialog's own
    // The name the dialog starts at (an empty one: an empty name field); nothing: the last
    // name chosen in it.
    std::optional<QString> startName;

    FileDialogRequest(FileDialogMode m, QString f, QString t = {},
                      std::optional<QString> start = std::nullopt)
        : mode(m), filter(std::move(f)), title(std::move(t)), startName(std::move(start))
    {
    }
};

// What became of the dialog. A path, or nothing when the user cancelled or accepted no name.
// After a failure the path is the name the dialog was left with.
struct [[nodiscard]] FileChoice
{
    std::optional<QString> path;
    bool cancelled = false;
    std::optional<FileDialogFailure> failure;

    static FileChoice chosen(const QString &path); // an empty path is none
    static FileChoice cancel();
    static FileChoice failed(const QString &path, FileDialogFailure failure);
};

// A file dialog that remembers the last name chosen in it between uses.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    virtual FileChoice choose(const FileDialogRequest &request) = 0;
};

// "Error 53 selecting file." CR LF description: the one message for dialog failures.
QString fileDialogFailureMessage(const FileDialogFailure &failure);

// Shows the dialog; a failure is told through messages in the one format for dialog
// failures, and what follows is the caller's choice.
FileChoice chooseFile(FileDialog &dialog, const FileDialogRequest &request, MessageBox &messages);
