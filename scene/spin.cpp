// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

#include <GL/glut.h>

#include "app/viewer.h"
#include "scene/scene.h"

namespace {

// A float holds every eighth, the arrow keys' step, below 2^21 only, and every half, the spin's,
// below 2^23; from 2^23 on, a half step rounds back to where it was and the markers would stop for
// good.
constexpr double EXACT_BELOW = 2097152.0;
// So the spin takes whole turns off the angle before it gets there. The markers read the angle in
// degrees, and the wrap moves them a few pixels at most: GL turns their degrees into radians in
// single precision, which near 2^21 already draws them a few pixels off where the same angle within
// the first turn would, and the wrap takes them back there. The walk reads the angle in radians,
// and 5805 turns of 360 degrees are within 0.00047 of a whole number of turns of 2 pi, so the
// heading barely moves.
constexpr double WRAP_TURNS = 5805.0;
constexpr double DEGREES_PER_TURN = 360.0;

}  // namespace

// No timer: the markers turn SPIN_STEP degrees per idle call, as fast as the main loop runs, for
// as long as it runs.
void spin()
{
    double next = viewer.angle + SPIN_STEP;
    if (next >= EXACT_BELOW) {
        next -= WRAP_TURNS * DEGREES_PER_TURN;
    }
    viewer.angle = static_cast<float>(next);
    glutPostRedisplay();
}
