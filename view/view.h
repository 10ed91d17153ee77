// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Viewport, projection and the observer's walk.
#pragma once

void reshape(int width, int height);
void special(int key, int x, int y);
