#pragma once

#include "files_views/mainlayout.h"
#include "transmit/bank.h"

#include <array>

class Divider;
class Lamp;
class QAction;
class QMenu;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QScrollArea;
class QWidget;
class TextBox;

inline constexpr size_t kKeyRows = SendKeyBank::kRows;
inline constexpr size_t kRowWidgets = 12; // under the receive panes: counters and buttons
// The send keys' three captions and, per row, a button, a description and a string.
inline constexpr size_t kKeyWidgets = 3 + 3 * kKeyRows;

// Every widget and menu item of the main window, built exactly at the places the window is
// designed with (twips / 15 = pixels at 96 dpi), in the order that sets their stacking.
struct MainWidgets
{
    QWidget *clientArea = nullptr;     // the 723 x 699 client area below the menu bar
    QScrollArea *scrollArea = nullptr; // holds the client area; scrolls below the design size
    // The places of the stretching widgets at the design size, for the current view layout.
    MainPlaces designPlaces;
    std::array<QPoint, kRowWidgets> designRow{}; // the row of counters and buttons
    std::array<QRect, kKeyWidgets> designKeys{}; // the send keys, their captions first
    // Between the receive pane and the send keys once the window is wider than designed; made
    // then, so that at the design size the client area holds exactly its designed controls.
    Divider *divider = nullptr;

    // Transmit lines.
    QFrame *onTheFlyFrame = nullptr;
    QFrame *portFrame = nullptr;
    QFrame *bankRunFrame = nullptr;
    QLabel *onTheFlyLabel = nullptr;
    std::array<QLineEdit *, 2> sendLineBoxes{};
    std::array<QPushButton *, 2> sendLineButtons{};
    QPushButton *rebuildPanesButton = nullptr;

    // Port.
    Lamp *connectLamp = nullptr;
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
    std::array<QPushButton *, kKeyRows> sendKeyButtons{};
    std::array<QLineEdit *, kKeyRows> keyDescriptionBoxes{};
    std::array<QLineEdit *, kKeyRows> keyStringBoxes{};

    // Receive, counters, echo and status.
    TextBox *rxAsciiPane = nullptr;
    TextBox *rxHexPane = nullptr;
    QLabel *rxCountLabel = nullptr;
    QLineEdit *rxCountBox = nullptr;
    QLabel *txCountLabel = nullptr;
    QLineEdit *txCountBox = nullptr;
    Lamp *rxSuspendLamp = nullptr;
    QPushButton *rxSuspendButton = nullptr;
    Lamp *txSuspendLamp = nullptr;
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
    // Port menu: the port items are made each time it opens, before portItemsEnd.
    QMenu *portMenu = nullptr;
    QAction *portItemsEnd = nullptr;
    QAction *openNetworkPortAction = nullptr;
    QAction *lineSettingsAction = nullptr;
    QAction *reconnectAutomaticallyAction = nullptr;
    QAction *dtrAction = nullptr;
    QAction *rtsAction = nullptr;
    QAction *sendBreakAction = nullptr;
    QAction *logReceivedAction = nullptr;
    QAction *timestampLogAction = nullptr;
    QAction *hexEditorAction = nullptr;
    QAction *helpAction = nullptr;
};

inline constexpr QSize kMainClientSize(723, 699);

// Builds the client area into window (as its central widget) and the menu bar.
void buildMainWidgets(MainWidgets &ui, QMainWindow *window);
void buildMainMenus(MainWidgets &ui, QMainWindow *window);

// Puts the stretching widgets, and the divider when there is one, where a client area of its
// current size, the view and the send keys' extra width give them; returns their places.
MainPlaces placeStretching(MainWidgets &ui, ViewLayout view, int keysExtra);
