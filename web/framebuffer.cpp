// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// On the desktop, Mesa draws into the window with its rows counted from the top, and settles a
// line whose end lies exactly between pixels by that count; in a browser on the same Mesa, the
// canvas is a framebuffer object with its rows counted from the bottom, so such ends were
// settled the other way and a few pixels of a picture moved. Drawn upside down (matrix.cpp turns
// the y axis over, glViewport below mirrors the rows) into a framebuffer as deep as the desktop
// window's 32-bit depth buffer, every line falls on the desktop's pixels; the copy onto the
// canvas turns the picture the right way up.
#include "web/framebuffer.h"

#include <GLES3/gl3.h>

extern "C" void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);

namespace {

struct Framebuffer {
    GLuint name = 0;
    int width = 0, height = 0;
};

Framebuffer framebuffer;

GLuint attach(GLenum format, GLenum attachment, int width, int height)
{
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, buffer);
    return buffer;
}

}  // namespace

void drawUpsideDown(int width, int height, bool depth)
{
    GLuint name = 0;
    glGenFramebuffers(1, &name);
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    const GLuint buffers[] = {
        attach(GL_RGBA8, GL_COLOR_ATTACHMENT0, width, height),
        depth ? attach(GL_DEPTH_COMPONENT32F, GL_DEPTH_ATTACHMENT, width, height) : 0};
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &name);
        glDeleteRenderbuffers(2, buffers);
        return;
    }
    framebuffer = {name, width, height};
}

bool upsideDown()
{
    return framebuffer.name != 0;
}

void showPicture()
{
    if (!upsideDown())
        return;
    const int w = framebuffer.width, h = framebuffer.height;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer.name);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.name);
}

// The viewport's rows, mirrored while the picture is drawn upside down.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    emscripten_glViewport(x, upsideDown() ? framebuffer.height - y - height : y, width, height);
}
