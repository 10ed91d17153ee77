// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// Drawing one frame, and the idle-time spin.
#pragma once

void display();
void spin();
