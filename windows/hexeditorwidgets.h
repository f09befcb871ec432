#pragma once

#include "hexeditor/hexeditorplaces.h"

#include <QPoint>

#include <array>

class Lamp;
class QAction;
class QLabel;
class QMainWindow;
class QPushButton;
class QWidget;
class TextBox;

// The hex editor's widgets and menu items, built at the places the window is designed with.
struct HexEditorWidgets
{
    QWidget *clientArea = nullptr; // the 899 x 414 client area below the menu bar
    HexEditorPlaces designPlaces;  // the two views at the design size
    // Where the widgets that move with the views are at the design size (movers()).
    std::array<QPoint, 8> designMovers{};

    TextBox *hexPane = nullptr;
    TextBox *asciiPane = nullptr;
    QPushButton *hexToAsciiButton = nullptr;
    Lamp *autoUpdateLamp = nullptr;
    QPushButton *autoUpdateButton = nullptr;
    QPushButton *asciiToHexButton = nullptr;
    QLabel *fileNameLabel = nullptr;
    QLabel *hexViewLabel = nullptr;
    QLabel *lengthLabel = nullptr;
    QLabel *asciiViewLabel = nullptr;

    QAction *loadFileAction = nullptr;
    QAction *saveFileAction = nullptr;
    QAction *loadRxCaptureAction = nullptr;
    QAction *loadTxRecordAction = nullptr;
    QAction *sendContentsAction = nullptr;
    QAction *pageSetupAction = nullptr;
    QAction *printAllAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *clearAction = nullptr;
    QAction *fontSmallAction = nullptr;
    QAction *fontMediumAction = nullptr;
    QAction *fontLargeAction = nullptr;
    QAction *helpAction = nullptr;
};

// Builds the client area into window (as its central widget) and the menu bar.
void buildHexEditorWidgets(HexEditorWidgets &ui, QMainWindow *window);
void buildHexEditorMenus(HexEditorWidgets &ui, QMainWindow *window);

// The views take the extra room of a client area larger than designed; the rest moves with
// them.
void placeStretching(HexEditorWidgets &ui);
