// Hex editor with a full buffer: loading a 512001-byte file, keys typed in the middle and
// at the end of each view with auto update on (only what changed is converted; a key in
// the middle of the hex view moves every later pair), loading a full receive capture, and
// the peak memory of the process. Backspace comes first: a character more than the buffer
// holds is refused, which rewrites both views.
#include "hexeditor/hexdocument.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "windows/hexeditorwindow.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <sys/resource.h>

namespace {

QByteArray randomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(gen() & 0xFF);
    return bytes;
}

template <typename F> double timeMs(F &&step)
{
    QElapsedTimer t;
    t.start();
    step();
    // Let the views lay out and paint what changed.
    QCoreApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("random.bin"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(randomBytes(HexDocument::kCapacity, 1)) < 0)
            return 1;
    }

    Services s = testServices(dir.path());
    // Every file dialog "chooses" the file.
    s.makeFileDialog = [path](QWidget *) {
        auto dialog = std::make_unique<FakeDialog>();
        dialog->answer = path;
        return dialog;
    };
    MainWindow main(s);
    main.showHexEditor();
    HexEditorWindow *editor = main.hexEditorWindow();
    HexEditorWidgets &ui = editor->ui;
    const HexEditorModel &model = editor->model();
    QCoreApplication::processEvents();

    const double load = timeMs([&] { ui.loadFileAction->trigger(); });
    std::printf("load 512001-byte file:        %8.1f ms (count %d, hex view %lld chars)\n", load,
                model.document().size(), qlonglong(ui.hexPane->length()));

    // The caret is placed first and both views are complete: only the keystroke is timed.
    // "frame" is until the key's handler has returned and the window could paint; "shown"
    // is until the other view shows all of its text.
    // longestTurn: the longest single pass of the event loop while a view fills in, which
    // is what a user typing or scrolling meanwhile waits for at most.
    double longestTurn = 0;
    const auto settle = [&] {
        while (!ui.hexPane->displayMatchesText() || !ui.asciiPane->displayMatchesText()) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestTurn = std::max(longestTurn, double(turn.nsecsElapsed()) / 1e6);
        }
    };
    double worstMiddleHex = 0;
    for (TextBox *box : {ui.hexPane, ui.asciiPane}) {
        const char *name = box == ui.hexPane ? "hex" : "ASCII";
        for (const bool middle : {true, false}) {
            for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_A, Qt::Key_Backspace, Qt::Key_A}) {
                const qsizetype pos = middle ? box->length() / 2 : box->length();
                box->setFocus();
                box->setSelStart(pos);
                settle();
                QElapsedTimer t;
                t.start();
                QTest::keyClick(box, key);
                QCoreApplication::sendPostedEvents();
                const double frame = double(t.nsecsElapsed()) / 1e6;
                longestTurn = 0;
                settle();
                const double shown = double(t.nsecsElapsed()) / 1e6;
                if (middle && box == ui.hexPane)
                    worstMiddleHex = std::max(worstMiddleHex, frame);
                std::printf("%-9s %-6s %-5s view: frame %6.1f ms, shown %6.1f ms, longest turn "
                            "%5.1f ms\n",
                            key == Qt::Key_A ? "\"A\"" : "Backspace", middle ? "middle" : "end",
                            name, frame, shown, longestTurn);
            }
        }
    }
    std::printf("largest frame, middle of hex view: %6.1f ms\n", worstMiddleHex);
    // The worst place for the other view: scrolled to its end, below all that changes.
    ui.asciiPane->setSelStart(ui.asciiPane->length());
    ui.hexPane->setFocus();
    ui.hexPane->setSelStart(ui.hexPane->length() / 2);
    settle();
    QElapsedTimer t;
    t.start();
    QTest::keyClick(ui.hexPane, Qt::Key_A);
    QCoreApplication::sendPostedEvents();
    const double frame = double(t.nsecsElapsed()) / 1e6;
    settle();
    std::printf("\"A\" middle hex, ASCII view at its end: frame %6.1f ms, shown %6.1f ms\n", frame,
                double(t.nsecsElapsed()) / 1e6);

    // Where a keystroke's time goes: reading the view, the conversions, writing the other.
    QString hexText;
    const double readHex = timeMs([&] { hexText = ui.hexPane->text(); });
    auto scratch = std::make_unique<HexDocument>();
    QString asciiText;
    const double convert = timeMs([&] {
        (void)scratch->readHexView(hexText);
        asciiText = scratch->asciiView();
    });
    // Auto update off, so that the write is not taken as an edit to convert.
    ui.autoUpdateButton->click();
    const double writeAscii = timeMs([&] { ui.asciiPane->setText(asciiText); });
    ui.autoUpdateButton->click();
    std::printf("  of which hex view text():   %8.1f ms\n", readHex);
    std::printf("  of which conversions:       %8.1f ms\n", convert);
    std::printf("  of which ASCII setText():   %8.1f ms\n", writeAscii);

    const QByteArray rx = randomBytes(99998, 2);
    (void)main.session().capture.store(rx);
    const double loadRx = timeMs([&] { ui.loadRxCaptureAction->trigger(); });
    std::printf("Load RX buffer (99998 bytes): %8.1f ms (count %d)\n", loadRx,
                model.document().size());

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory:                  %8.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    return 0;
}
