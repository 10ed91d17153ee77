/*
 * SPDX-FileCopyrightText: 2026 planview developers
 *
 * SPDX-License-Identifier: MIT
 */

/* The OpenGL 2.0 entry points of freeglut's shader path, which WebGL has under their own names.
 * The viewer never takes that path (see fg_internal.h), but the shape code still refers to it. */
#ifndef PLANVIEW_FG_GL2_H
#define PLANVIEW_FG_GL2_H

#include <GLES2/gl2.h>

#define FGH_ARRAY_BUFFER GL_ARRAY_BUFFER
#define FGH_STATIC_DRAW GL_STATIC_DRAW
#define FGH_ELEMENT_ARRAY_BUFFER GL_ELEMENT_ARRAY_BUFFER

#define fghGenBuffers glGenBuffers
#define fghDeleteBuffers glDeleteBuffers
#define fghBindBuffer glBindBuffer
#define fghBufferData glBufferData
#define fghEnableVertexAttribArray glEnableVertexAttribArray
#define fghDisableVertexAttribArray glDisableVertexAttribArray
#define fghVertexAttribPointer glVertexAttribPointer

#endif
