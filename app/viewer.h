// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The viewer's one process-wide state record and its fixed constants.
#pragma once

// GLUT callbacks carry no user pointer, so every callback reaches the state
// through this single record.
struct Vec3 {
    float x, y, z;
};

struct ViewerState {
    int winWidth = 0;  // as last given to reshape
    int winHeight = 0;
    float rotX = 0.0f;  // drag rotation, degrees
    float rotY = 0.0f;
    // NOLINTNEXTLINE(readability-magic-numbers): the one starting place, five units back
    Vec3 eye = {0.0f, 0.0f, -5.0f};  // observer position; y stays 0
    Vec3 centre = {0.0f, 0.0f, 0.0f};
    float angle = 0.0f;  // spin angle in degrees and walk heading in radians
    int lastX = 0;       // pointer at the previous drag event
    int lastY = 0;
    int dragButton = 0;  // 0/0 reads as "left button down", as at start-up
    int dragState = 0;
    int orthographic = 0;
    int animating = 0;  // the space key's idea of whether the spin runs
    int depthTest = 1;  // the d key's idea of whether depth testing is on
    // The idle callback start-up, the space key and the left button last chose, and whether
    // the toolkit may run it: it is held back while the window cannot be seen. Until the
    // toolkit first says otherwise the window counts as seen.
    void (*idleChoice)() = nullptr;
    int windowVisible = 1;
};

extern ViewerState viewer;

constexpr float TURN_STEP = 0.125f;
constexpr float WALK_STEP = 0.125f;
constexpr double SPIN_STEP = 0.5;
constexpr double DRAG_DIVISOR = 5.0;
constexpr float ORTHO_EXTENT = 20.0f;
constexpr float MARKER_TILT = 45.0f;
constexpr int VIEWPORT_Y = 50;

constexpr int WINDOW_WIDTH = 1000;
constexpr int WINDOW_HEIGHT = 800;

// Initialises the toolkit without handing it the command line, so no
// argument can change the window or the display it opens on.
void initToolkit();

// Opens the window and registers every callback; the caller then runs the
// toolkit's main loop.
void openViewer();

// Every choice of idle callback goes through here, so that one made while the window is hidden
// or covered takes effect when it can be seen again. nullptr chooses none.
void chooseIdle(void (*callback)());

// The toolkit's window-status callback. An unseen window would otherwise run the idle callback
// flat out with nothing drawn, burning a core.
void windowStatus(int status);
