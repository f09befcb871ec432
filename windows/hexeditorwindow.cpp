#include "windows/hexeditorwindow.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/printer.h"
#include "platform/widgets/dialogs.h"
#include "platform/widgets/services.h"
#include "windows/hexeditordesign.h"
#include "windows/windowframe.h"
#include "windows/windowplace.h"

HexEditorWindow::HexEditorWindow(const Services &services, const CaptureBuffer &capture,
                                 TransmitRecord &record, RecordSender &sender, Options &options,
                                 Pacer &pacer, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Hex Editor"));
    setObjectName(QStringLiteral("frmHexEditor"));
    setAttribute(Qt::WA_DeleteOnClose);

    dialog_ = services.makeFileDialog(this);
    messages_ = services.makeMessageBox(this);
    buildHexEditorWidgets(ui, this);
    buildHexEditorMenus(ui, this);
    showDesignSize(this, kHexEditorClientSize);
    placeKeeper_ =
        new WindowPlaceKeeper(this, optionsFilePath(services), QStringLiteral("HexEditor"));
    placeKeeper_->restore();
    auto makePrinter = services.makePrinter;
    model_ = std::make_unique<HexEditorModel>(
        views_, HexEditorDeps{capture, record, sender, options, pacer, commands_, *dialog_,
                              *messages_, [this, makePrinter]() -> std::unique_ptr<Printer> {
                                  return makePrinter ? makePrinter(this) : nullptr;
                              }});
    bind();
    model_->open();
}

HexEditorWindow::~HexEditorWindow() = default;

void HexEditorWindow::closeEvent(QCloseEvent *event)
{
    (void)placeKeeper_->save(); // at worst the editor opens where it first did
    // Its own dialogs end first: the command waiting in one returns before the window goes.
    endOpenDialogs(this);
    if (commands_.running()) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        commands_.whenIdle([this] { deleteLater(); });
    }
    QMainWindow::closeEvent(event);
}

void HexEditorWindow::showEvent(QShowEvent *event)
{
    // Shown again before the command under a close returned: the window stays.
    if (commands_.cancelWhenIdle())
        setAttribute(Qt::WA_DeleteOnClose);
    QMainWindow::showEvent(event);
}
