#include "platform/widgets/portdialogs.h"

#include "platform/widgets/dialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <memory>

namespace {

// A dialog with its fields in a form above OK and Cancel.
std::unique_ptr<QDialog> formDialog(QWidget *parent, const QString &title, const QString &name,
                                    QFormLayout *&form, QDialogButtonBox *&buttons)
{
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setWindowTitle(title);
    dialog->setObjectName(name);
    auto *layout = new QVBoxLayout(dialog.get());
    form = new QFormLayout;
    layout->addLayout(form);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
    return dialog;
}

struct Choice
{
    const char *text;
    int value;
};

QComboBox *addChoices(QFormLayout *form, const QString &label, const QString &name,
                      std::initializer_list<Choice> choices, int current)
{
    auto *box = new QComboBox;
    box->setObjectName(name);
    for (const Choice &c : choices)
        box->addItem(QString::fromLatin1(c.text), c.value);
    box->setCurrentIndex(box->findData(current));
    form->addRow(label, box); // the label's mnemonic moves the focus to the box
    return box;
}

template <typename T> T chosen(const QComboBox *box)
{
    return T(box->currentData().toInt());
}

std::optional<PortAddress> networkAddress(const QString &text)
{
    const auto address = PortAddress::parse(text);
    return address && address->isNetwork() ? address : std::nullopt;
}

} // namespace

std::optional<PortSettings> askLineSettings(QWidget *parent, const PortSettings &current)
{
    QFormLayout *form = nullptr;
    QDialogButtonBox *buttons = nullptr;
    auto dialog = formDialog(parent, QStringLiteral("Line Settings"),
                             QStringLiteral("lineSettingsDialog"), form, buttons);
    const QComboBox *dataBits =
        addChoices(form, QStringLiteral("&Data bits:"), QStringLiteral("dataBitsBox"),
                   {{"5", int(DataBits::Five)},
                    {"6", int(DataBits::Six)},
                    {"7", int(DataBits::Seven)},
                    {"8", int(DataBits::Eight)}},
                   int(current.dataBits));
    const QComboBox *parity =
        addChoices(form, QStringLiteral("&Parity:"), QStringLiteral("parityBox"),
                   {{"None", int(Parity::None)},
                    {"Odd", int(Parity::Odd)},
                    {"Even", int(Parity::Even)},
                    {"Mark", int(Parity::Mark)},
                    {"Space", int(Parity::Space)}},
                   int(current.parity));
    const QComboBox *stopBits = addChoices(
        form, QStringLiteral("&Stop bits:"), QStringLiteral("stopBitsBox"),
        {{"1", int(StopBits::One)}, {"1.5", int(StopBits::OneAndHalf)}, {"2", int(StopBits::Two)}},
        int(current.stopBits));
    const QComboBox *flow =
        addChoices(form, QStringLiteral("&Flow control:"), QStringLiteral("flowControlBox"),
                   {{"None", int(FlowControl::None)},
                    {"RTS/CTS", int(FlowControl::RtsCts)},
                    {"XON/XOFF", int(FlowControl::XonXoff)}},
                   int(current.flow));
    if (execOwned(dialog) != QDialog::Accepted)
        return std::nullopt;
    PortSettings settings = current;
    settings.dataBits = chosen<DataBits>(dataBits);
    settings.parity = chosen<Parity>(parity);
    settings.stopBits = chosen<StopBits>(stopBits);
    settings.flow = chosen<FlowControl>(flow);
    return settings;
}

std::optional<PortAddress> askNetworkPort(QWidget *parent, const QList<PortAddress> &recent)
{
    QFormLayout *form = nullptr;
    QDialogButtonBox *buttons = nullptr;
    auto dialog = formDialog(parent, QStringLiteral("Open Network Port"),
                             QStringLiteral("networkPortDialog"), form, buttons);
    auto *box = new QComboBox;
    box->setObjectName(QStringLiteral("networkAddressBox"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(32);
    for (const PortAddress &a : recent)
        box->addItem(a.toString());
    form->addRow(QStringLiteral("&Address:"), box);
    auto *hint = new QLabel(QStringLiteral("tcp://HOST:PORT passes the bytes as they are;\n"
                                           "rfc2217://HOST:PORT also sets the line (RFC 2217)."));
    form->addRow(QString(), hint);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    const auto check = [ok](const QString &text) {
        ok->setEnabled(networkAddress(text).has_value());
    };
    QObject::connect(box, &QComboBox::currentTextChanged, ok, check);
    check(box->currentText());
    if (execOwned(dialog) != QDialog::Accepted)
        return std::nullopt;
    return networkAddress(box->currentText());
}
