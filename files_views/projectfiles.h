#pragma once

class BankPager;
class CommonDialog;
class MessageBox;
class SendKeyBank;

// "Load Project" and "Save Project" with the dialog they share with "Send File". A dialog
// error is reported and ends the command (Save still stores the rows on screen first).
class ProjectFiles
{
public:
    ProjectFiles(SendKeyBank &bank, BankPager &pager, CommonDialog &dialog, MessageBox &messages);

    void load();
    void save();

private:
    int askForFile(bool save);

    SendKeyBank &bank_;
    BankPager &pager_;
    CommonDialog &dialog_;
    MessageBox &messages_;
};
