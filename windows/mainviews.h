#pragma once

#include "terminal/terminalviews.h"
#include "transmit/bankpager.h"
#include "transmit/transmitcontext.h"

struct MainWidgets;

// The main window's widgets as the program's parts see them.
class MainViews : public StatusLog,
                  public ReceivePanes,
                  public ConnectionView,
                  public TransmitView,
                  public BankScreen
{
public:
    explicit MainViews(MainWidgets &ui) : ui_(ui) {}

    // StatusLog
    void add(const QString &line) override;

    // ReceivePanes
    qsizetype asciiLength() const override;
    QString hexText() const override;
    void append(const QString &ascii, const QString &hex) override;
    void setTexts(const QString &ascii, const QString &hex) override;
    void emptyFilled() override;
    void showCount(qint32 count) override;

    // ConnectionView
    QString baudText() const override;
    QString comText() const override;
    void showOpen(bool open) override;
    void showDetail(const QString &detail) override;
    void showComDevice(const QString &device) override;
    void showLineSettings(const QString &label) override;

    // TransmitView
    void clearEcho() override;
    void appendEcho(const QString &text) override;
    void showSentCount(qint64 count) override;
    void showItemRow(int row) override;
    bool addCr() const override;
    bool addLf() const override;

    // BankScreen
    QString rowDescription(int row) const override;
    QString rowString(int row) const override;
    void showRow(int row, const QString &description, const QString &string) override;
    QString pageText() const override;
    void setPageText(const QString &text) override;
    QString delayText() const override;

private:
    MainWidgets &ui_;
};
