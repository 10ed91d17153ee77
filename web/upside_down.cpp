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
#include "web/upside_down.h"

#include <GLES2/gl2.h>
#include <emscripten.h>

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

int canvasHeight = 0;    // while drawing upside down; 0 while drawing straight
GLint viewport[4] = {};  // as the viewer last asked for it

}  // namespace

void drawUpsideDownOnMesa(int height)
{
    if (!drawnByMesa()) {
        return;
    }
    turnCanvasOver();
    canvasHeight = height;
}

bool upsideDown()
{
    return canvasHeight != 0;
}

// The viewport's rows, mirrored while the picture is drawn upside down.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    viewport[0] = x, viewport[1] = y, viewport[2] = width, viewport[3] = height;
    emscripten_glViewport(x, upsideDown() ? canvasHeight - y - height : y, width, height);
}

void restoreViewport()
{
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
