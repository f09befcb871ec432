#pragma once

#include "platform/commondialog.h"
#include "platform/messagebox.h"

#include <QStringList>

// A file dialog that answers with a prepared result: a path, a cancel or an error.
class FakeDialog : public CommonDialog
{
public:
    int result = 0;      // 0, cdlCancel or another error number
    QString answer;      // the path "chosen" when result is 0
    QString description; // the error's description
    int opens = 0;
    int saves = 0;
    QStringList filtersSeen; // Filter at each show
    QList<int> flagsSeen;    // Flags at each show

    int ShowOpen() override { return show(opens); }
    int ShowSave() override { return show(saves); }
    QString errorDescription() const override { return description; }

private:
    int show(int &counter)
    {
        ++counter;
        filtersSeen << Filter;
        flagsSeen << Flags;
        if (result == 0)
            FileName = answer;
        return result;
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
    void show(const QString &text) override { shown << text; }
    bool ask(const QString &text) override
    {
        asked << text;
        return answers.isEmpty() || answers.takeFirst();
    }
};
