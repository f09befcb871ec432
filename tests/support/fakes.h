#pragma once

#include "platform/filedialog.h"
#include "platform/messagebox.h"

#include <QStringList>

#include <functional>

// A file dialog that answers with a prepared result: a path (none when empty) or a cancel.
class FakeDialog : public FileDialog
{
public:
    QString answer;
    bool cancel = false;
    QList<FileDialogRequest> requests; // one for each show

    FileChoice choose(const FileDialogRequest &request) override
    {
        requests << request;
        return cancel ? FileChoice::cancel() : FileChoice::chosen(answer);
    }
};

// Keeps every message and question; answers each question with the next of answers
// (Yes when none is left).
class FakeMessageBox : public MessageBox
{
public:
    QStringList shown;
    QStringList asked;
    QList<bool> answers;
    std::function<void()> whileAsking; // runs as events would while the question is open
    void show(const QString &text) override { shown << text; }
    bool ask(const QString &text) override
    {
        asked << text;
        if (whileAsking)
            whileAsking();
        return answers.isEmpty() || answers.takeFirst();
    }
};
