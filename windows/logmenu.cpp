#include "windows/logmenu.h"

#include "platform/commondialog.h"
#include "platform/widgets/services.h"
#include "terminal/sessionlog.h"

#include <QAction>
#include <QWidget>

LogMenu::LogMenu(QWidget *window, const Services &services, QAction *logItem,
                 QAction *timestampItem, SessionLog &log, MessageBox &messages)
    : dialog_(services.makeFileDialog(window)), logItem_(logItem), log_(log), messages_(messages)
{
    dialog_->DialogTitle = QStringLiteral("Log Received Data");
    log_.onOpenChanged = [this](bool open) { logItem_->setChecked(open); };
    QObject::connect(logItem_, &QAction::triggered, logItem_, [this] { toggleLog(); });
    QObject::connect(timestampItem, &QAction::toggled, timestampItem,
                     [this](bool on) { log_.setTimestamps(on); });
}

LogMenu::~LogMenu()
{
    log_.onOpenChanged = nullptr;
}

void LogMenu::toggleLog()
{
    if (log_.isOpen()) {
        log_.close();
    } else {
        // An existing file is appended to, so the dialog must not offer to replace it.
        const int rc =
            showFileDialog(*dialog_,
                           QStringLiteral("Log Files (*.log)|*.log|Text Files (*.txt)|*.txt|"
                                          "All Files (*.*)|*.*|"),
                           true, messages_, CommonDialog::cdlAppends);
        if (rc == 0 && !dialog_->FileName.isEmpty())
            log_.open(dialog_->FileName);
    }
    // The click toggled the mark already; a cancelled dialog must not leave it on.
    logItem_->setChecked(log_.isOpen());
}
