// Hex editor with a full buffer: loading a 512001-byte file, one Backspace at the end of
// each view with auto update on (each converts the whole view), loading a full receive
// capture, and the peak memory of the process.
#include "fakes.h"
#include "frmhexeditor.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"
#include "textbox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <array>

#include <cstdio>
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

void typeAtEnd(TextBox *box, Qt::Key key)
{
    box->setFocus();
    box->setSelStart(box->length());
    QTest::keyClick(box, key);
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
        if (!f.open(QIODevice::WriteOnly) || f.write(randomBytes(kEditBufferSize, 1)) < 0)
            return 1;
    }

    Services s = testServices(dir.path());
    s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
    frmSerial main(s);
    auto *editor = new frmHexEditor(main);
    editor->show();
    QCoreApplication::processEvents();
    auto *dialog = static_cast<FakeDialog *>(editor->dlgFile.get());
    dialog->answer = path;

    const double load = timeMs([&] { editor->mnuLoadfile->trigger(); });
    std::printf("load 512001-byte file:        %8.1f ms (count %d, hex view %lld chars)\n", load,
                editor->editCount, qlonglong(editor->Text1->length()));

    const double hexKey = timeMs([&] { typeAtEnd(editor->Text1, Qt::Key_Backspace); });
    std::printf("one key, hex view:            %8.1f ms\n", hexKey);
    const double asciiKey = timeMs([&] { typeAtEnd(editor->Text2, Qt::Key_Backspace); });
    std::printf("one key, ASCII view:          %8.1f ms\n", asciiKey);

    // Where a keystroke's time goes: reading the view, the conversions, writing the other.
    QString hexText;
    const double readHex = timeMs([&] { hexText = editor->Text1->text(); });
    std::array<quint8, kEditBufferSize> scratch{};
    QString asciiText;
    const double convert = timeMs([&] {
        const qint32 n = hexViewToBuffer(hexText, scratch);
        asciiText = asciiViewText(std::span(scratch).first(size_t(n)));
    });
    editor->updatingViews = 1;
    const double writeAscii = timeMs([&] { editor->Text2->setText(asciiText); });
    editor->updatingViews = 0;
    std::printf("  of which Text1 text():      %8.1f ms\n", readHex);
    std::printf("  of which conversions:       %8.1f ms\n", convert);
    std::printf("  of which Text2 setText():   %8.1f ms\n", writeAscii);

    const QByteArray rx = randomBytes(99998, 2);
    std::copy(rx.begin(), rx.end(), rxCaptureBuffer.begin());
    rxCaptureCount = qint32(rx.size());
    const double loadRx = timeMs([&] { editor->mnuLoadRXbuffer->trigger(); });
    std::printf("Load RX buffer (99998 bytes): %8.1f ms (count %d)\n", loadRx, editor->editCount);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory:                  %8.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    delete editor;
    return 0;
}
