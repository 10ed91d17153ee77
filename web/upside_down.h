// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Where the browser draws with Mesa, the picture is drawn upside down onto the canvas, and the page
// shows the canvas turned over; elsewhere it is drawn straight.
#ifndef PLANVIEW_WEB_UPSIDE_DOWN_H
#define PLANVIEW_WEB_UPSIDE_DOWN_H

// With the canvas's context current: where it draws with Mesa, turns the canvas over on the page
// and draws upside down from now on. Elsewhere nothing changes.
void drawUpsideDownOnMesa(int height);

// Whether the picture is drawn upside down: rows counted from the top, as in the desktop window.
bool upsideDown();

// The viewport the viewer last asked for, set again on a context that came back.
void restoreViewport();

#endif
