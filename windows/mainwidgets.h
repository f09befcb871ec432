#pragma once

#include <array>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QWidget;
class TextBox;

// Every widget and menu item of the main window, built exactly at the places the window is
// designed with (twips / 15 = pixels at 96 dpi), in the order that sets their stacking.
struct MainWidgets
{
    QWidget *clientArea = nullptr; // the 723 x 699 client area below the menu bar

    // Transmit lines.
    QFrame *onTheFlyFrame = nullptr;
    QFrame *portFrame = nullptr;
    QFrame *bankRunFrame = nullptr;
    QLabel *onTheFlyLabel = nullptr;
    std::array<QLineEdit *, 2> sendLineBoxes{};
    std::array<QPushButton *, 2> sendLineButtons{};
    QPushButton *rebuildPanesButton = nullptr;

    // Port.
    QLabel *connectLamp = nullptr;
    QPushButton *reconnectButton = nullptr;
    QLabel *serialPortLabel = nullptr;
    QPushButton *disconnectButton = nullptr;
    QLabel *comLabel = nullptr;
    QLineEdit *comNumberBox = nullptr;
    QLabel *baudLabel = nullptr;
    QLineEdit *baudRateBox = nullptr;
    QLabel *frameFormatLabel = nullptr;
    QCheckBox *addCrCheck = nullptr;
    QCheckBox *addLfCheck = nullptr;
    QPushButton *asciiKeysButton = nullptr;
    QLabel *sendAsLabel = nullptr;
    QPushButton *hexKeysButton = nullptr;

    // Bank runs and pages.
    QLabel *itemDelayLabel = nullptr;
    QLineEdit *itemDelayBox = nullptr;
    QPushButton *sendBankButton = nullptr;
    QLabel *itemBeingSentLabel = nullptr;
    QLineEdit *itemBeingSentBox = nullptr;
    QPushButton *sendAllButton = nullptr;
    QLabel *bankLabel = nullptr;
    QPushButton *previousPageButton = nullptr;
    QPushButton *nextPageButton = nullptr;
    QLineEdit *bankPageBox = nullptr;
    QPushButton *stopButton = nullptr;

    // Send keys.
    QLabel *keyDescriptionLabel = nullptr;
    QLabel *keyStringLabel = nullptr;
    QLabel *sendKeysLabel = nullptr;
    std::array<QPushButton *, 20> sendKeyButtons{};
    std::array<QLineEdit *, 20> keyDescriptionBoxes{};
    std::array<QLineEdit *, 20> keyStringBoxes{};

    // Receive, counters, echo and status.
    TextBox *rxAsciiPane = nullptr;
    TextBox *rxHexPane = nullptr;
    QLabel *rxCountLabel = nullptr;
    QLineEdit *rxCountBox = nullptr;
    QLabel *txCountLabel = nullptr;
    QLineEdit *txCountBox = nullptr;
    QLabel *rxSuspendLamp = nullptr;
    QPushButton *rxSuspendButton = nullptr;
    QLabel *txSuspendLamp = nullptr;
    QPushButton *txSuspendButton = nullptr;
    QPushButton *clearRxButton = nullptr;
    QPushButton *clearTxButton = nullptr;
    QPushButton *clearStatusButton = nullptr;
    QLabel *statusLabel = nullptr;
    TextBox *statusPane = nullptr;
    TextBox *txEchoPane = nullptr;

    // Menus.
    QAction *saveCaptureAsciiAction = nullptr;
    QAction *saveCaptureHexAction = nullptr;
    QAction *sendFileAction = nullptr;
    QAction *resendLastFileAction = nullptr;
    QAction *loadProjectAction = nullptr;
    QAction *saveProjectAction = nullptr;
    QAction *clearKeysAction = nullptr;
    QAction *copyPageAction = nullptr;
    QAction *pastePageAction = nullptr;
    QAction *asciiAndKeysViewAction = nullptr;
    QAction *hexAndKeysViewAction = nullptr;
    QAction *bigAsciiViewAction = nullptr;
    QAction *bigHexViewAction = nullptr;
    QAction *asciiOverHexViewAction = nullptr;
    QAction *fontSmallAction = nullptr;
    QAction *fontMediumAction = nullptr;
    QAction *fontLargeAction = nullptr;
    QAction *silentCaptureAction = nullptr;
    QAction *autoScrollAction = nullptr;
    QAction *clearTxOnSendAction = nullptr;
    QAction *silentTxAction = nullptr;
    QAction *alwaysOnTopAction = nullptr;
    QAction *hexEditorAction = nullptr;
    QAction *helpAction = nullptr;
};

// Builds the client area into window (as its central widget) and the menu bar.
void buildMainWidgets(MainWidgets &ui, QMainWindow *window);
void buildMainMenus(MainWidgets &ui, QMainWindow *window);
