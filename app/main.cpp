#include <GL/glut.h>

#include "app/viewer.h"

int main()
{
    initToolkit();
    openViewer();
    glutMainLoop();
    return 0;
}
