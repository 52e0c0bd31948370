#pragma once

namespace tavrik::gui {

// Screen pixels, x to the right and y down from the screen's top-left.
struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

// Where the three windows' frames go: their top-left corners.
struct WindowPlaces {
    enum class Arrangement {
        row,     // control panel, scene editor, viewer from left to right
        columns, // the control panel above the viewer, the scene editor right of both
        centred, // each centred on the screen: they overlap
    };
    Arrangement arrangement;
    ScreenPoint panel;
    ScreenPoint editor;
    ScreenPoint viewer;
};

// Pixels left between two windows placed side by side.
inline constexpr int windowGap = 8;

// Places the windows, given with their frames, inside the screen's free area
// `screen` so that none covers another: in a row where the screen is wide
// enough, else in two columns where it is high enough, and centred
// otherwise. A placed group is centred across the screen and starts at its
// top.
WindowPlaces PlaceWindows(const ScreenRect& screen, WindowSize panel, WindowSize editor, WindowSize viewer);

} // namespace tavrik::gui
