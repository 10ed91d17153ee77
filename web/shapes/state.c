/*
 * SPDX-FileCopyrightText: 2026 planview developers
 *
 * SPDX-License-Identifier: MIT
 */

#include <emscripten.h>

#include "fg_internal.h"

SFG_Structure fgStructure;
SFG_State fgState;

/* Like freeglut's: the message on the console, then the program ends. Its format is shown
 * unfilled: printf's code would grow the page by a sixteenth for a path it never takes. */
void fgError(const char *fmt, ...)
{
    emscripten_log(EM_LOG_ERROR, "freeglut: %s", fmt);
    emscripten_force_exit(1);
}

/* Only reached for sizes this viewer never asks for. */
/* cppcheck-suppress unusedFunction */
void fgWarning(const char *fmt, ...)
{
    emscripten_log(EM_LOG_WARN, "freeglut: %s", fmt);
}
