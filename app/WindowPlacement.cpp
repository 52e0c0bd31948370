#include "app/WindowPlacement.h"

#include <algorithm>

namespace tavrik::gui {

namespace {

ScreenPoint Centred(const ScreenRect& screen, WindowSize window)
{
    return {screen.x + (screen.width - window.width) / 2, screen.y + (screen.height - window.height) / 2};
}

} // namespace

WindowPlaces PlaceWindows(const ScreenRect& screen, WindowSize panel, WindowSize editor, WindowSize viewer)
{
    const int rowWidth = panel.width + editor.width + viewer.width + 2 * windowGap;
    const int rowHeight = std::max({panel.height, editor.height, viewer.height});
    if (rowWidth <= screen.width && rowHeight <= screen.height) {
        const int left = screen.x + (screen.width - rowWidth) / 2;
        const int editorLeft = left + panel.width + windowGap;
        return {WindowPlaces::Arrangement::row,
                {left, screen.y},
                {editorLeft, screen.y},
                {editorLeft + editor.width + windowGap, screen.y}};
    }
    const int leftColumn = std::max(panel.width, viewer.width);
    const int columnsWidth = leftColumn + windowGap + editor.width;
    const int leftHeight = panel.height + windowGap + viewer.height;
    if (columnsWidth <= screen.width && std::max(leftHeight, editor.height) <= screen.height) {
        const int left = screen.x + (screen.width - columnsWidth) / 2;
        return {WindowPlaces::Arrangement::columns,
                {left, screen.y},
                {left + leftColumn + windowGap, screen.y},
                {left, screen.y + panel.height + windowGap}};
    }
    return {WindowPlaces::Arrangement::centred, Centred(screen, panel), Centred(screen, editor),
            Centred(screen, viewer)};
}

} // namespace tavrik::gui
