// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The viewport on the canvas's drawing buffer: scaled from the window the program sees to the
// buffer's own pixels, and, where the browser draws with Mesa, with its rows mirrored: there the
// picture is drawn upside down onto the canvas and the page shows the canvas turned over.
#ifndef PLANVIEW_WEB_UPSIDE_DOWN_H
#define PLANVIEW_WEB_UPSIDE_DOWN_H

// With the canvas's context current: where it draws with Mesa, turns the canvas over on the page
// and draws upside down from now on. Elsewhere nothing changes.
void drawUpsideDownOnMesa();

// Whether the picture is drawn upside down: rows counted from the top, as in the desktop window.
bool upsideDown();

// The program's window is `windowWidth` x `windowHeight` pixels, drawn on a buffer of
// `bufferWidth` x `bufferHeight`: the viewport the program asked for is set again, scaled to it.
void scaleViewport(int windowWidth, int windowHeight, int bufferWidth, int bufferHeight);

// The viewport the viewer last asked for, set again on a context that came back.
void restoreViewport();

#endif
