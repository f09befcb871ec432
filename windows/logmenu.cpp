#include "windows/logmenu.h"

#include "platform/filedialog.h"
#include "platform/widgets/services.h"
#include "terminal/sessionlog.h"

#include <QAction>
#include <QWidget>

LogMenu::LogMenu(QWidget *window, const Services &services, QAction *logItem,
                 QAction *timestampItem, SessionLog &log, MessageBox &messages)
    : dialog_(services.makeFileDialog(window)), logItem_(logItem), log_(log), messages_(messages)
{
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
        const FileChoice choice =
            chooseFile(*dialog_,
                       {FileDialogMode::SaveAppending,
                        QStringLiteral("Log Files (*.log)|*.log|Text Files (*.txt)|*.txt|"
                                       "All Files (*.*)|*.*|"),
                        QStringLiteral("Log Received Data")},
                       messages_);
        if (!choice.cancelled && !choice.failure && choice.path)
            log_.open(*choice.path);
    }
    // The click toggled the mark already; a cancelled dialog must not leave it on.
    logItem_->setChecked(log_.isOpen());
}
