// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// On the desktop, Mesa draws into the window with its rows counted from the top, and settles a
// line whose end lies exactly between pixels by that count; in a browser on the same Mesa, the
// canvas is a framebuffer object with its rows counted from the bottom, so such ends were settled
// the other way and a few pixels of a picture moved. Drawn upside down (matrix.cpp turns the y
// axis over, glViewport below mirrors the rows), every line falls on the desktop's pixels, and
// the page shows the canvas turned over by a CSS transform, which the browser's compositor applies
// as it places the canvas anyway. Turning the picture over with a copy of its own instead cost a
// pass over every pixel of every frame. Other rasterisers place some lines a pixel over either
// way, so there the picture is drawn straight.
// On a screen with more than one device pixel to a page pixel the buffer has more pixels than the
// program's window: the viewport is scaled to them, and the lines widened to match (pipeline.cpp).
#include "web/upside_down.h"

#include <GLES2/gl2.h>
#include <emscripten.h>

#include <algorithm>
#include <cmath>

#include "web/pipeline.h"

extern "C" void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);

// Whether the current context draws with Mesa, by the names it gives its vendor and renderer.
// Firefox names the renderer outright; Chromium names it through the debugging extension.
EM_JS(bool, drawnByMesa, (), {
    var mesa = function(names)
    {
        return names.includes("Mesa") || names.includes("llvmpipe");
    };
    var names = GLctx.getParameter(GLctx.VENDOR) + " " + GLctx.getParameter(GLctx.RENDERER);
    if (mesa(names)) {
        return true;
    }
    var debug = GLctx.getExtension("WEBGL_debug_renderer_info");
    return !!debug && mesa(GLctx.getParameter(debug.UNMASKED_VENDOR_WEBGL) + " " +
                           GLctx.getParameter(debug.UNMASKED_RENDERER_WEBGL));
});

// The canvas turned over about its middle: its top row shown at the bottom. Set through the
// style object, which a page's Content-Security-Policy leaves to its scripts.
EM_JS(void, turnCanvasOver, (), { Module["canvas"].style.transform = "scaleY(-1)"; });

namespace {

struct Buffer {
    bool upsideDown = false;
    int height = 0;       // in its own pixels
    double scaleX = 1.0;  // its pixels per window pixel
    double scaleY = 1.0;
};
Buffer buffer;
GLint viewport[4] = {};  // as the viewer last asked for it, in window pixels
bool viewportAsked = false;

// A window pixel's edge on the buffer. At a scale of 1 every edge stays where it is.
GLint onBuffer(GLint edge, double scale)
{
    return static_cast<GLint>(std::lround(edge * scale));
}

}  // namespace

void drawUpsideDownOnMesa()
{
    if (!drawnByMesa()) {
        return;
    }
    turnCanvasOver();
    buffer.upsideDown = true;
}

bool upsideDown()
{
    return buffer.upsideDown;
}

void scaleViewport(int windowWidth, int windowHeight, int bufferWidth, int bufferHeight)
{
    buffer.height = bufferHeight;
    buffer.scaleX = windowWidth > 0 ? static_cast<double>(bufferWidth) / windowWidth : 1.0;
    buffer.scaleY = windowHeight > 0 ? static_cast<double>(bufferHeight) / windowHeight : 1.0;
    if (viewportAsked) {
        restoreViewport();
    }
}

// The viewport's edges on the buffer, its rows mirrored while the picture is drawn upside down;
// the lines as wide as a window pixel is there, a whole number of the buffer's pixels.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    viewport[0] = x, viewport[1] = y, viewport[2] = width, viewport[3] = height;
    viewportAsked = true;
    const GLint left = onBuffer(x, buffer.scaleX);
    const GLint bottom = onBuffer(y, buffer.scaleY);
    const GLsizei across = onBuffer(x + width, buffer.scaleX) - left;
    const GLsizei high = onBuffer(y + height, buffer.scaleY) - bottom;
    emscripten_glViewport(left, buffer.upsideDown ? buffer.height - bottom - high : bottom, across,
                          high);
    widenLines(std::max(1, static_cast<int>(std::lround(buffer.scaleX))), across, high);
}

void restoreViewport()
{
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
