#pragma once

#include "platform/filedialog.h"

class BankPager;
class MessageBox;
class SendKeyBank;

// "Load Project" and "Save Project" with the dialog they share with "Send File". A dialog
// error is reported and ends the command (Save still stores the rows on screen first).
class ProjectFiles
{
public:
    ProjectFiles(SendKeyBank &bank, BankPager &pager, FileDialog &dialog, MessageBox &messages);

    void load();
    void save();

private:
    FileChoice askForFile(FileDialogMode mode);

    SendKeyBank &bank_;
    BankPager &pager_;
    FileDialog &dialog_;
    MessageBox &messages_;
};
