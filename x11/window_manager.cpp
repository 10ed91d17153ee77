// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The window manager's word on whether the window is minimised, heard by the window-status
// callback. freeglut reports a window hidden only when it is unmapped, and listens to no property
// changes. GNOME's window manager minimises a window by marking it iconic (ICCCM's WM_STATE) and
// hidden (EWMH's _NET_WM_STATE_HIDDEN) and leaves it mapped, so the viewer would spin on unseen.
// The link puts this in front of freeglut's glutWindowStatusFunc (-Wl,--wrap): the callback
// registered there hears GLUT_HIDDEN while either mark is on, and freeglut's own reports
// otherwise. Nothing here runs but when one of those two properties changes.
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>

namespace {

using EventConversion = Bool (*)(Display *, XEvent *, xEvent *);

struct Watch {
    Display *display = nullptr;  // freeglut's connection and window
    Window window = 0;
    Atom wmState = 0;
    Atom netWmState = 0;
    Atom netWmStateHidden = 0;
    EventConversion xlibConversion = nullptr;  // Xlib's own, for every PropertyNotify
    void (*report)(int) = nullptr;             // the program's callback
    // freeglut's last report: until its first the window counts as seen, as the program's does.
    int toolkitStatus = GLUT_FULLY_RETAINED;
    bool marked = false;  // the window manager's last word
    bool checkPending = false;
};
Watch watch;

const long MAX_NET_STATES = 64;  // more than EWMH defines
const int ITEM_BITS = 32;        // both properties' format

void tell()
{
    if (watch.report != nullptr) {
        watch.report(watch.marked ? GLUT_HIDDEN : watch.toolkitStatus);
    }
}

void toolkitReport(int status)
{
    watch.toolkitStatus = status;
    tell();
}

// The 32-bit items of one of the window's properties, up to `most`; `count` of them.
unsigned long *property(Atom name, Atom type, long most, unsigned long &count)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long after = 0;
    unsigned char *data = nullptr;
    count = 0;
    if (XGetWindowProperty(watch.display, watch.window, name, 0, most, False, type, &actualType,
                           &format, &count, &after, &data) != Success ||
        format != ITEM_BITS) {
        count = 0;
    }
    // Xlib hands 32-bit items over as longs.
    return reinterpret_cast<unsigned long *>(
        data);  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
}

bool markedHidden()
{
    unsigned long count = 0;
    unsigned long *items = property(watch.wmState, watch.wmState, 1, count);
    bool hidden = count == 1 && items[0] == IconicState;
    XFree(items);
    items = property(watch.netWmState, XA_ATOM, MAX_NET_STATES, count);
    for (unsigned long i = 0; i < count; ++i) {
        hidden = hidden || items[i] == watch.netWmStateHidden;
    }
    XFree(items);
    return hidden;
}

// Run from the main loop, where asking the server is safe.
void checkMarks(int /*unused*/)
{
    watch.checkPending = false;
    const bool marked = markedHidden();
    if (marked != watch.marked) {
        watch.marked = marked;
        tell();
    }
}

// Xlib converts every PropertyNotify read from the server here, wherever it is reading: no
// request may be made now, so the properties are read in a timer of the main loop's next pass.
// Closing the display as the program ends reads the last events after freeglut has shut down,
// when a timer would be an error.
Bool propertyEvent(Display *display, XEvent *event, xEvent *wire)
{
    const Bool keep = watch.xlibConversion(display, event, wire);
    const Atom changed = event->xproperty.atom;
    if (glutGet(GLUT_INIT_STATE) && event->xproperty.window == watch.window &&
        (changed == watch.wmState || changed == watch.netWmState) && !watch.checkPending) {
        watch.checkPending = true;
        glutTimerFunc(0, checkMarks, 0);
    }
    return keep;
}

// Adds the property changes of the current window to what freeglut's connection hears.
void startWatching()
{
    watch.display = glXGetCurrentDisplay();
    watch.window = glXGetCurrentDrawable();
    XWindowAttributes attributes{};
    if (watch.display == nullptr || watch.window == 0 ||
        XGetWindowAttributes(watch.display, watch.window, &attributes) == 0) {
        watch.display = nullptr;
        return;
    }
    watch.wmState = XInternAtom(watch.display, "WM_STATE", False);
    watch.netWmState = XInternAtom(watch.display, "_NET_WM_STATE", False);
    watch.netWmStateHidden = XInternAtom(watch.display, "_NET_WM_STATE_HIDDEN", False);
    watch.xlibConversion = XESetWireToEvent(watch.display, PropertyNotify, propertyEvent);
    XSelectInput(watch.display, watch.window, attributes.your_event_mask | PropertyChangeMask);
}

}  // namespace

// The names the linker's --wrap gives freeglut's function and its stand-in.
// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" void __real_glutWindowStatusFunc(void (*callback)(int));

// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" void __wrap_glutWindowStatusFunc(void (*callback)(int))
{
    watch.report = callback;
    __real_glutWindowStatusFunc(callback != nullptr ? toolkitReport : nullptr);
    if (callback != nullptr && watch.display == nullptr) {
        startWatching();
    }
}
