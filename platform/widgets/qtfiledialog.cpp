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

constexpr int kErrFileNotFound = 53;
constexpr int kErrPathNotFound = 76;

class QtFileDialog : public CommonDialog
{
public:
    explicit QtFileDialog(QWidget *parent) : parent_(parent) {}

    int ShowOpen() override { return show(true); }
    int ShowSave() override { return show(false); }
    QString errorDescription() const override { return description_; }

private:
    int show(bool open)
    {
        description_.clear();
        auto owned = std::make_unique<QFileDialog>(parent_.data());
        QFileDialog &dlg = *owned;
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setOption(QFileDialog::HideNameFilterDetails);
        if (open) {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode((Flags & cdlOFNFileMustExist) ? QFileDialog::ExistingFile
                                                          : QFileDialog::AnyFile);
        } else {
            // A save must be able to name a new file, whatever the flags say.
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite, (Flags & cdlAppends) != 0);
        }
        if (!DialogTitle.isEmpty())
            dlg.setWindowTitle(DialogTitle);
        dlg.setNameFilters(nameFiltersFromFilter(Filter));

        // Start where the last name points; an unusable name starts in the last folder.
        QString startDir = lastDir_.isEmpty() ? QDir::homePath() : lastDir_;
        QString startName;
        if (!FileName.isEmpty()) {
            const QFileInfo fi(FileName);
            if (fi.absoluteDir().exists()) {
                startDir = fi.absolutePath();
                startName = fi.fileName();
            }
        }
        dlg.setDirectory(startDir);
        if (!startName.isEmpty())
            dlg.selectFile(startName);

        if (execOwned(owned) != QDialog::Accepted)
            return cdlCancel;
        const QStringList chosen = dlg.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty()) {
            FileName.clear();
            return 0;
        }
        const QFileInfo fi(chosen.first());
        FileName = fi.absoluteFilePath();
        lastDir_ = fi.absolutePath();
        if (open && (Flags & cdlOFNFileMustExist) && !fi.exists()) {
            description_ = QStringLiteral("File not found");
            return kErrFileNotFound;
        }
        if (!open && !fi.absoluteDir().exists()) {
            description_ = QStringLiteral("Path not found");
            return kErrPathNotFound;
        }
        return 0;
    }

    QPointer<QWidget> parent_;
    QString lastDir_;
    QString description_;
};

} // namespace

std::unique_ptr<CommonDialog> makeQtFileDialog(QWidget *parent)
{
    return std::make_unique<QtFileDialog>(parent);
}
