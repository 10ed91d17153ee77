/*
 * SPDX-FileCopyrightText: 2026 planview developers
 *
 * SPDX-License-Identifier: MIT
 */

/* What freeglut's shape code needs of the toolkit's internals, and no more: the browser build
 * compiles freeglut's own fg_geometry.c against this instead of freeglut's whole state, so the
 * wire cube and sphere keep freeglut's vertices and drawing order. */
#ifndef PLANVIEW_FG_INTERNAL_H
#define PLANVIEW_FG_INTERNAL_H

#include <GL/gl.h>
#include <stdlib.h>

/* freeglut draws its shapes from client-side vertex arrays where OpenGL 1.1 has them, and with
 * glBegin/glEnd, vertex by vertex in the same order, where it does not. The shapes take the second
 * way, which web/pipeline.cpp captures line by line. */
#undef GL_VERSION_1_1

/* No window ever asks for the shader path: these stay -1, so every shape takes the fixed-function
 * path, as on the desktop with a compatibility context, and draws with glBegin/glEnd (above). */
typedef struct SFG_Window {
    struct {
        GLint attribute_v_coord, attribute_v_normal, attribute_v_texture;
    } Window;
    struct {
        GLboolean VisualizeNormals;
    } State;
} SFG_Window;

typedef struct {
    SFG_Window *CurrentWindow;
} SFG_Structure;

typedef struct {
    GLboolean Initialised;
    GLboolean HasOpenGL20;
} SFG_State;

/* Declared here and defined, zero-initialised, in state.c: the check's "may be dynamically
 * initialized" takes these declarations for definitions. */
/* NOLINTBEGIN(bugprone-dynamic-static-initializers) */
extern SFG_Structure fgStructure;
extern SFG_State fgState;
/* NOLINTEND(bugprone-dynamic-static-initializers) */

/* freeglut's fatal error: the shapes call it when out of memory. */
void fgError(const char *fmt, ...);
void fgWarning(const char *fmt, ...);

#define FREEGLUT_EXIT_IF_NOT_INITIALISED(name)                                              \
    if (!fgState.Initialised) {                                                             \
        fgError(" ERROR:  Function <%s> called without first calling 'glutInit'.", (name)); \
    }

#endif
