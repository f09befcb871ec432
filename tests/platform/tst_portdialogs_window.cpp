// The Port menu's dialogs: the line settings chosen come back with the rate untouched, the
// network address box offers the recent addresses and takes only tcp:// and rfc2217://
// addresses, and Cancel gives nothing.
#include "platform/linesettings.h"
#include "platform/widgets/portdialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Acts on the dialog once it is up.
void whenShown(std::function<void(QDialog *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

QPushButton *button(QDialog *dialog, QDialogButtonBox::StandardButton which)
{
    return dialog->findChild<QDialogButtonBox *>()->button(which);
}

QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestPortDialogs : public QObject
{
    Q_OBJECT
private slots:
    void lineSettings_data()
    {
        QTest::addColumn<QString>("start");       // framing/flow, at 115200 baud
        QTest::addColumn<QStringList>("choices"); // data bits, parity, stop bits, flow; empty: none
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("result"); // empty: nothing
        const QStringList choices{u"7"_s, u"Even"_s, u"1.5"_s, u"RTS/CTS"_s};
        QTest::newRow("chosen") << u"8N1/none"_s << choices << true << u"7,E,1.5 RTS/CTS"_s;
        QTest::newRow("cancelled") << u"8N1/none"_s << choices << false << QString();
        QTest::newRow("as it was")
            << u"5M2/xonxoff"_s << QStringList() << true << u"5,M,2 XON/XOFF"_s;
    }
    void lineSettings()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, choices);
        QFETCH(bool, ok);
        QFETCH(QString, result);
        const LineSettings current{*parseFraming(start.section(u'/', 0, 0)),
                                   *parseFlowControl(start.section(u'/', 1))};
        int found = 0;
        whenShown([&](QDialog *dialog) {
            const QStringList names{u"dataBitsBox"_s, u"parityBox"_s, u"stopBitsBox"_s,
                                    u"flowControlBox"_s};
            for (qsizetype i = 0; i < names.size(); ++i) {
                auto *box = dialog->findChild<QComboBox *>(names[i]);
                found += box ? 1 : 0;
                if (box && !choices.isEmpty())
                    box->setCurrentIndex(box->findText(choices[i]));
            }
            button(dialog, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        const auto chosen = askLineSettings(nullptr, current.at(115200));
        QCOMPARE(found, 4);
        QCOMPARE(chosen ? framingLabel(LineSettings::of(*chosen)) : QString(), result);
        QVERIFY(!chosen || chosen->baud == 115200);
    }

    void networkPort()
    {
        const QList<PortAddress> recent{*PortAddress::parse(u"rfc2217://lab:2217"),
                                        *PortAddress::parse(u"tcp://[::1]:4000")};
        // Typed text, and whether OK takes it.
        const QList<std::pair<QString, bool>> typed{
            {u"COM3"_s, false},           {u"3"_s, false},
            {u"/dev/ttyUSB0"_s, false},   {u"tcp://host"_s, false},
            {QString(), false},           {u"telnet://h:23"_s, false},
            {u"tcp://host:4000"_s, true}, {u" RFC2217://h:1 "_s, true}};
        for (const bool accept : {true, false}) {
            QStringList listed, wrong;
            QString first;
            whenShown([&](QDialog *dialog) {
                auto *box = dialog->findChild<QComboBox *>(u"networkAddressBox"_s);
                QPushButton *ok = button(dialog, QDialogButtonBox::Ok);
                listed = itemTexts(box);
                first = box->currentText() + (ok->isEnabled() ? u" ok"_s : u""_s);
                for (const auto &[text, takes] : typed) {
                    box->setEditText(text);
                    if (ok->isEnabled() != takes)
                        wrong << text;
                }
                (accept ? ok : button(dialog, QDialogButtonBox::Cancel))->click();
            });
            const auto address = askNetworkPort(nullptr, recent);
            QCOMPARE(listed, (QStringList{u"rfc2217://lab:2217"_s, u"tcp://[::1]:4000"_s}));
            QCOMPARE(first, u"rfc2217://lab:2217 ok"_s);
            QCOMPARE(wrong, QStringList());
            QCOMPARE(address ? address->toString() : QString(),
                     accept ? u"rfc2217://h:1"_s : QString());
        }
    }
};

QTEST_MAIN(TestPortDialogs)
#include "tst_portdialogs_window.moc"
