#include "files_views/mainlayout.h"

#include <iterator>

namespace {

// The receive panes of each view layout at the design size, in twips, in ViewLayout's order.
constexpr PaneLayout kPaneLayouts[] = {
    {1800, 4355, 6470, 1800, 4355, 6470, PaneFront::Ascii},       // PaneList
    {1800, 4355, 6470, 1800, 4355, 6470, PaneFront::Hex},         // HexList
    {1800, 10455, 6470, 1800, 10455, 6470, PaneFront::Ascii},     // BigAscii
    {1800, 10455, 6470, 1800, 10455, 6470, PaneFront::Hex},       // BigHex
    {1800, 10455, 3230, 5030, 10455, 3230, PaneFront::Untouched}, // AsciiOverHex
};

} // namespace

PaneLayout paneLayout(ViewLayout view)
{
    const auto i = size_t(view);
    return i < std::size(kPaneLayouts) ? kPaneLayouts[i] : kPaneLayouts[0];
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
