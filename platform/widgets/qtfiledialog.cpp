#include "platform/widgets/qtfiledialog.h"

#include "platform/widgets/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>

QStringList nameFiltersFromFilter(const QString &filter)
{
    QStringList parts = filter.split(QLatin1Char('|'));
    // The string ends with "|", which leaves one empty part behind.
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (!pattern.isEmpty())
                patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        const QString joined = patterns.join(QLatin1Char(' '));
        const QString label = parts[i].trimmed();
        // Qt takes the patterns from the last parenthesised part; the dialog hides that
        // part, so the user sees the label as the caller wrote it.
        filters << (label.isEmpty() ? joined : label) + QStringLiteral(" (") + joined +
                       QLatin1Char(')');
    }
    if (filters.isEmpty())
        filters << QStringLiteral("All Files (*)");
    return filters;
}

namespace {

class QtFileDialog : public FileDialog
{
public:
    explicit QtFileDialog(QWidget *parent) : parent_(parent) {}

    FileChoice choose(const FileDialogRequest &request) override
    {
        if (request.startName)
            lastName_ = *request.startName;
        auto owned = std::make_unique<QFileDialog>(parent_.data());
        QFileDialog &dlg = *owned;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setOption(QFileDialog::HideNameFilterDetails);
        const bool open = request.mode == FileDialogMode::Open;
        if (open) {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(QFileDialog::ExistingFile);
        } else {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite,
                          request.mode == FileDialogMode::SaveAppending);
        }
        if (!request.title.isEmpty())
            dlg.setWindowTitle(request.title);
        dlg.setNameFilters(nameFiltersFromFilter(request.filter));

        // Start where the last name points; an unusable name starts in the last folder.
        QString startDir = lastDir_.isEmpty() ? QDir::homePath() : lastDir_;
        QString startName;
        if (!lastName_.isEmpty()) {
            const QFileInfo fi(lastName_);
            if (fi.absoluteDir().exists()) {
                startDir = fi.absolutePath();
                startName = fi.fileName();
            }
        }
        dlg.setDirectory(startDir);
        if (!startName.isEmpty())
            dlg.selectFile(startName);

        if (execOwned(owned) != QDialog::Accepted)
            return FileChoice::cancel();
        const QStringList chosen = dlg.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty()) {
            lastName_.clear();
            return FileChoice::chosen(QString());
        }
        const QFileInfo fi(chosen.first());
        lastName_ = fi.absoluteFilePath();
        lastDir_ = fi.absolutePath();
        if (open && !fi.exists())
            return FileChoice::failed(
                lastName_, {FileDialogError::FileNotFound, QStringLiteral("File not found")});
        if (!open && !fi.absoluteDir().exists())
            return FileChoice::failed(
                lastName_, {FileDialogError::PathNotFound, QStringLiteral("Path not found")});
        return FileChoice::chosen(lastName_);
    }

private:
    QPointer<QWidget> parent_;
    QString lastName_;
    QString lastDir_;
};

} // namespace

std::unique_ptr<FileDialog> makeQtFileDialog(QWidget *parent)
{
    return std::make_unique<QtFileDialog>(parent);
}
