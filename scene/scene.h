// Drawing one frame, and the idle-time spin.
#pragma once

void display();
void spin();
