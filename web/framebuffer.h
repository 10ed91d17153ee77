// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Where the picture is drawn in the browser: upside down, into a framebuffer of the page's own,
// when the browser offers WebGL 2; straight onto the canvas otherwise.
#ifndef PLANVIEW_WEB_FRAMEBUFFER_H
#define PLANVIEW_WEB_FRAMEBUFFER_H

// With a WebGL 2 context current: makes the framebuffer, with a depth buffer if asked for, and
// draws into it from now on. Where it cannot, nothing changes.
void drawUpsideDown(int width, int height, bool depth);

// Whether the picture is drawn upside down: rows counted from the top, as in the desktop window.
bool upsideDown();

// The buffer swap: the picture turned the right way up onto the canvas, which the browser shows
// when the frame's callback returns.
void showPicture();

#endif
