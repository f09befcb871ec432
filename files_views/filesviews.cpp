#include "files_views/filesviews.h"

namespace {
const char kHexDigits[] = "0123456789ABCDEF";
} // namespace

void appendHexForm(QString &out, quint8 b)
{
    out += QLatin1Char(kHexDigits[b >> 4]);
    out += QLatin1Char(kHexDigits[b & 15]);
    out += QLatin1Char(' ');
}

void appendAsciiForm(QString &out, quint8 b)
{
    if (b == 0)
        out += QLatin1String("<0>");
    else
        out += QChar(b);
}

QString asciiForm(quint8 b)
{
    QString s;
    appendAsciiForm(s, b);
    return s;
}

QString hexForm(quint8 b)
{
    QString s;
    appendHexForm(s, b);
    return s;
}

QByteArray captureAsciiFile(const quint8 *buffer, qint32 count)
{
    if (count <= 0)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(buffer), count);
}

QByteArray captureHumanHexFile(const QString &paneText)
{
    return paneText.toLatin1();
}

PaneTexts rebuildPaneTexts(const quint8 *buffer, qint32 count)
{
    PaneTexts t;
    if (count <= 0)
        return t;
    t.ascii.reserve(count);
    t.hex.reserve(qsizetype(count) * 3);
    for (qint32 i = 0; i < count; ++i) {
        appendAsciiForm(t.ascii, buffer[i]);
        appendHexForm(t.hex, buffer[i]);
    }
    return t;
}

PaneLayout paneLayout(ViewLayout view)
{
    switch (view) {
    case ViewLayout::PaneList:
        return {1800, 4355, 6470, 1800, 4355, 6470, PaneFront::Ascii};
    case ViewLayout::HexList:
        return {1800, 4355, 6470, 1800, 4355, 6470, PaneFront::Hex};
    case ViewLayout::BigAscii:
        return {1800, 10455, 6470, 1800, 10455, 6470, PaneFront::Ascii};
    case ViewLayout::BigHex:
        return {1800, 10455, 6470, 1800, 10455, 6470, PaneFront::Hex};
    case ViewLayout::AsciiOverHex:
        return {1800, 10455, 3230, 5030, 10455, 3230, PaneFront::Untouched};
    }
    return {1800, 4355, 6470, 1800, 4355, 6470, PaneFront::Ascii};
}

MainPlaces mainPlaces(const MainPlaces &design, QSize designSize, QSize clientSize, ViewLayout view,
                      int keysExtra)
{
    const int dx = qMax(0, clientSize.width() - designSize.width());
    const int dy = qMax(0, clientSize.height() - designSize.height());
    const int paneShare = dy - dy / 2;
    const bool list = view == ViewLayout::PaneList || view == ViewLayout::HexList;
    const int keysShare = list ? qBound(0, keysExtra, dx) : 0;
    const int paneWider = dx - keysShare;

    MainPlaces p = design;
    p.rowDown = paneShare;
    p.statusRight = dx / 2;
    if (view == ViewLayout::AsciiOverHex) {
        const int upper = paneShare / 2;
        p.ascii.adjust(0, 0, paneWider, upper);
        p.hex.adjust(0, upper, paneWider, paneShare);
    } else {
        p.ascii.adjust(0, 0, paneWider, paneShare);
        p.hex.adjust(0, 0, paneWider, paneShare);
    }
    if (list) {
        p.keysRight = paneWider;
        p.descriptionsWider = keysShare / 2;
        p.stringsWider = keysShare - keysShare / 2;
        if (dx > 0)
            p.divider = QRect(QPoint(p.ascii.right() + 1, p.ascii.top()),
                              QPoint(design.keysLeft + p.keysRight - 1, p.ascii.bottom()));
    }
    p.txEcho.adjust(0, paneShare, dx / 2, dy);
    p.status.adjust(dx / 2, paneShare, dx, dy);
    return p;
}

HexEditorPlaces hexEditorPlaces(const HexEditorPlaces &design, QSize designSize, QSize clientSize)
{
    const int dx = qMax(0, clientSize.width() - designSize.width());
    const int dy = qMax(0, clientSize.height() - designSize.height());
    const int hexShare = dx * 2 / 3;
    HexEditorPlaces p = design;
    p.hexView.adjust(0, 0, hexShare, dy);
    p.asciiView.adjust(hexShare, 0, dx, dy);
    p.middleRight = hexShare;
    p.captionsDown = dy;
    return p;
}

int mainFontPoints(int choice)
{
    switch (choice) {
    case 1:
        return 10;
    case 2:
        return 14;
    case 3:
        return 22;
    default:
        return 0;
    }
}
