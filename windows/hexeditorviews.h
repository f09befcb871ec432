#pragma once

#include "hexeditor/hexeditormodel.h"

struct HexEditorWidgets;

// The hex editor's widgets as its model sees them.
class HexEditorViews : public HexEditorView
{
public:
    explicit HexEditorViews(HexEditorWidgets &ui) : ui_(ui) {}

    QString hexText() const override;
    QString asciiText() const override;
    void setHexText(const QString &text) override;
    void setAsciiText(const QString &text) override;
    void replaceHexText(qsizetype start, qsizetype end, const QString &text) override;
    void replaceAsciiText(qsizetype start, qsizetype end, const QString &text) override;
    void showLength(qint32 bytes) override;
    void showFileName(const QString &path) override;
    void showAutoUpdate(bool on) override;
    void showFont(FontChoice choice) override;

private:
    HexEditorWidgets &ui_;
};
