#include "qtfiledialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Acts on the file dialog once it is up.
void whenDialogShows(std::function<void(QFileDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dlg);
        }
    });
    timer->start();
}

} // namespace

class TestFileDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void filtersBecomeNameFilters()
    {
        QCOMPARE(nameFiltersFromFilter(QStringLiteral("All Files (*.*)|*.*|")),
                 QStringList{QStringLiteral("All Files (*.*) (*)")});
        QCOMPARE(nameFiltersFromFilter(QStringLiteral("All Files (*.txt)|*.txt|")),
                 QStringList{QStringLiteral("All Files (*.txt) (*.txt)")});
        QCOMPARE(nameFiltersFromFilter(QStringLiteral("Projects|*.ovc|Text|*.txt;*.log|")),
                 (QStringList{QStringLiteral("Projects (*.ovc)"),
                              QStringLiteral("Text (*.txt *.log)")}));
        QCOMPARE(nameFiltersFromFilter(QString()), QStringList{QStringLiteral("All Files (*)")});
    }

    void errorMessageFormat()
    {
        QCOMPARE(CommonDialog::errorMessage(53, QStringLiteral("File not found")),
                 QStringLiteral("Error 53 selecting file.\r\nFile not found"));
        QCOMPARE(CommonDialog::errorMessage(-5, QStringLiteral("x")),
                 QStringLiteral("Error-5 selecting file.\r\nx"));
    }

    void cancelKeepsTheName()
    {
        auto dlg = makeQtFileDialog(nullptr);
        dlg->FileName = QStringLiteral("/tmp/whatever.txt");
        whenDialogShows([](QFileDialog *d) { d->reject(); });
        QCOMPARE(dlg->ShowOpen(), CommonDialog::cdlCancel);
        QCOMPARE(dlg->FileName, QStringLiteral("/tmp/whatever.txt"));
    }

    void openReturnsTheChosenFileAndStartsThereNextTime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data.bin"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        auto dlg = makeQtFileDialog(nullptr);
        dlg->Filter = QStringLiteral("All Files (*.*)|*.*|");
        dlg->Flags = 0x201004;
        dlg->FileName = path; // the dialog starts on the last name
        QStringList filters;
        whenDialogShows([&](QFileDialog *d) {
            filters = d->nameFilters();
            static_cast<QDialog *>(d)->accept();
        });
        QCOMPARE(dlg->ShowOpen(), 0);
        QCOMPARE(dlg->FileName, path);
        QCOMPARE(filters, QStringList{QStringLiteral("All Files (*.*) (*)")});

        QString startDir;
        whenDialogShows([&](QFileDialog *d) {
            startDir = d->directory().absolutePath();
            d->reject();
        });
        QCOMPARE(dlg->ShowOpen(), CommonDialog::cdlCancel);
        QCOMPARE(startDir, dir.path());
        QCOMPARE(dlg->FileName, path);
    }

    void saveAcceptsANewName()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.txt"));
        auto dlg = makeQtFileDialog(nullptr);
        dlg->Filter = QStringLiteral("All Files (*.txt)|*.txt|");
        dlg->Flags = 0x201004; // must-exist does not hold for a save
        dlg->FileName = path;
        whenDialogShows([&](QFileDialog *d) { static_cast<QDialog *>(d)->accept(); });
        QCOMPARE(dlg->ShowSave(), 0);
        QCOMPARE(dlg->FileName, path);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
