// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// The part of GLUT the viewer calls, for the browser, with freeglut's behaviour on X11: the page's
// canvas is the window, the page's input and visibility are its events, and each animation frame
// is one pass of the main loop. Written against the toolchain's html5 and EGL interfaces.
// The program's window keeps the size it asked for, whatever the canvas's size on the page: its
// drawing buffer has the screen's own pixels, to which the viewport is scaled (upside_down.cpp),
// and the pointer is given in the window's pixels.
#include <EGL/egl.h>
#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <emscripten/html5_webgl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "web/pipeline.h"
#include "web/upside_down.h"

extern "C" {
#include "web/shapes/fg_internal.h"
}

namespace {

const char *const CANVAS = "#canvas";

// freeglut's codes for the keys GLUT's standard header leaves out.
const int KEY_NUM_LOCK = 0x6D;
const int KEY_BEGIN = 0x6E;
const int KEY_DELETE = 0x6F;
const int KEY_SHIFT_L = 0x70;
const int KEY_SHIFT_R = 0x71;
const int KEY_CTRL_L = 0x72;
const int KEY_CTRL_R = 0x73;
const int KEY_ALT_L = 0x74;
const int KEY_ALT_R = 0x75;
const int KEY_SUPER_L = 0x76;
const int KEY_SUPER_R = 0x77;

// The page numbers the back and forward buttons 3 and 4; X numbers them 8 and 9, and freeglut
// hands them on as 7 and 8.
const int BACK_BUTTON = 3;
const int GLUT_BACK_BUTTON = 7;
const int LAST_BUTTON = 4;
// Motion is reported while one of these is held: X's first five buttons, of which the last two
// are the wheel, which is never held.
const unsigned MOTION_BUTTONS = 0x7;

const int NO_KEY = -1;
const int NO_TOUCH = -1;
const int DEFAULT_WINDOW_SIZE = 300;  // freeglut's, when none is asked for
const int LAST_LATIN1 = 0xFF;         // X's key lookup gives characters up to here only
const unsigned char DELETE_CHARACTER = 0x7F;
const int ESCAPE_CHARACTER = 0x1B;
const int CONTROL_BITS = 0x1F;  // what the control key keeps of a character
// UTF-8: each byte after the first carries six bits of the character.
const int CONTINUATION_BITS = 6;
const int CONTINUATION_MASK = 0x3F;
const EGLint WEBGL2_CLIENT_VERSION = 3;  // EGL's OpenGL ES 3, which the toolchain makes WebGL 2
const EGLint WEBGL1_CLIENT_VERSION = 2;

struct Toolkit {
    int width = DEFAULT_WINDOW_SIZE;  // the window, as the program sees it
    int height = DEFAULT_WINDOW_SIZE;
    int bufferWidth = 0;  // the canvas's drawing buffer, in device pixels
    int bufferHeight = 0;
    unsigned displayMode = 0;
    bool redisplay = false;
    bool looping = false;     // glutMainLoop has begun
    bool frameAsked = false;  // an animation frame is asked for and has not yet run
    bool hidden = false;
    bool contextLost = false;  // the browser has taken the drawing context away
    unsigned buttonsHeld = 0;  // bit per button pressed on the canvas and not yet released
    int pointerX = 0;          // last known pointer position in canvas pixels
    int pointerY = 0;
    int touch = NO_TOUCH;  // the finger that stands in for the left button
    // Where the canvas sat, in page pixels, and its pixels per page pixel, at the last press:
    // while a button is held the pointer is followed outside the canvas too, as X grabs it.
    double originX = 0.0, originY = 0.0, scaleX = 1.0, scaleY = 1.0;

    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*idle)() = nullptr;
    void (*windowStatus)(int) = nullptr;
};
Toolkit toolkit;

// --- The drawing buffer ---------------------------------------------------------------------

// The canvas's width (`across`) or height on the screen, in device pixels, as it is laid out now.
EM_JS(int, devicePixelsOfCanvas, (bool across), {
    var box = Module["canvas"].getBoundingClientRect();
    return Math.round((across ? box.width : box.height) * devicePixelRatio);
});

// Hands the program's side every size the canvas takes on the screen, in device pixels: as the
// page lays it out anew (a resize, a phone turned), as the page is zoomed or the window moves to
// another screen. ResizeObserver's device-pixel box is exact where the browser has it and it
// agrees, within a pixel, with the size on the page times the pixel ratio; elsewhere (WebKit and
// Safari lack it; Chromium's emulation of a screen reports page pixels there) that product is.
// A change of ratio alone resizes nothing on the page: a media query for the ratio hears it, and
// the canvas is looked at afresh.
EM_JS(void, followCanvasSize, (), {
    var canvas = Module["canvas"];
    var box = {};
    if ("devicePixelContentBoxSize" in ResizeObserverEntry.prototype) {
        box.box = "device-pixel-content-box";
    }
    var observer = new ResizeObserver(function(entries) {
        var entry = entries[entries.length - 1];
        var page = entry.contentBoxSize[0];
        var width = Math.round(page.inlineSize * devicePixelRatio);
        var height = Math.round(page.blockSize * devicePixelRatio);
        var exact = entry.devicePixelContentBoxSize;
        if (exact && Math.abs(exact[0].inlineSize - width) <= 1 &&
            Math.abs(exact[0].blockSize - height) <= 1) {
            width = exact[0].inlineSize;
            height = exact[0].blockSize;
        }
        _planviewBufferResized(width, height);
    });
    observer.observe(canvas, box);
    var followRatio = function()
    {
        matchMedia("(resolution: " + devicePixelRatio + "dppx)")
            .addEventListener("change",
                              function() {
                                  observer.unobserve(canvas);
                                  observer.observe(canvas, box);
                                  followRatio();
                              },
                              {once : true});
    };
    followRatio();
});

// --- Keys -----------------------------------------------------------------------------------

// The one character a key's name spells, or NO_KEY when it names a key rather than a character.
long singleCharacter(const char *key)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(key);
    const int length = bytes[0] < 0x80 ? 1 : bytes[0] < 0xE0 ? 2 : bytes[0] < 0xF0 ? 3 : 4;
    if (bytes[0] == 0 || std::strlen(key) != static_cast<size_t>(length)) {
        return NO_KEY;
    }
    if (length == 1) {
        return bytes[0];
    }
    long code = bytes[0] & (CONTINUATION_MASK >> (length - 1));
    for (int i = 1; i < length; ++i) {
        code = (code << CONTINUATION_BITS) | (bytes[i] & CONTINUATION_MASK);
    }
    return code;
}

// What X's key lookup makes of a character typed with the control key held.
int withControl(int character)
{
    if ((character >= '@' && character < DELETE_CHARACTER) || character == ' ') {
        return character & CONTROL_BITS;
    }
    if (character == '2') {
        return 0;
    }
    if (character >= '3' && character <= '7') {
        return character - ('3' - ESCAPE_CHARACTER);
    }
    if (character == '8') {
        return DELETE_CHARACTER;
    }
    if (character == '/') {
        return '_' & CONTROL_BITS;
    }
    return character;
}

// The character freeglut hands the keyboard callback for this key, or NO_KEY.
int keyCharacter(const EmscriptenKeyboardEvent &e)
{
    struct Named {
        const char *key;
        int character;
    };
    static const Named NAMED[] = {
        {"Backspace", '\b'}, {"Tab", '\t'}, {"Enter", '\r'}, {"Escape", ESCAPE_CHARACTER}};
    int character = NO_KEY;
    for (const Named &named : NAMED) {
        if (std::strcmp(e.key, named.key) == 0) {
            character = named.character;
        }
    }
    // The keypad's Delete (no Num Lock) is a special key in X; the other one a character.
    if (std::strcmp(e.key, "Delete") == 0 && std::strcmp(e.code, "NumpadDecimal") != 0) {
        character = DELETE_CHARACTER;
    }
    if (character == NO_KEY) {
        const long single = singleCharacter(e.key);
        if (single < 0 || single > LAST_LATIN1) {
            return NO_KEY;
        }
        character = static_cast<int>(single);
    }
    return e.ctrlKey ? withControl(character) : character;
}

// The special-key code freeglut hands the special callback for this key, or NO_KEY.
int specialKey(const EmscriptenKeyboardEvent &e)
{
    if (e.key[0] == 'F' && e.key[1] >= '1' && e.key[1] <= '9') {
        const int number = static_cast<int>(std::strtol(e.key + 1, nullptr, 10));
        return number <= GLUT_KEY_F12 ? number : NO_KEY;
    }
    const bool right = e.location == DOM_KEY_LOCATION_RIGHT;
    struct Named {
        const char *key;
        int code;
    };
    static const Named NAMED[] = {
        {"ArrowLeft", GLUT_KEY_LEFT},   {"ArrowUp", GLUT_KEY_UP},
        {"ArrowRight", GLUT_KEY_RIGHT}, {"ArrowDown", GLUT_KEY_DOWN},
        {"PageUp", GLUT_KEY_PAGE_UP},   {"PageDown", GLUT_KEY_PAGE_DOWN},
        {"Home", GLUT_KEY_HOME},        {"End", GLUT_KEY_END},
        {"Insert", GLUT_KEY_INSERT},    {"NumLock", KEY_NUM_LOCK},
        {"Clear", KEY_BEGIN},           {"Delete", KEY_DELETE},
    };
    for (const Named &named : NAMED) {
        if (std::strcmp(e.key, named.key) == 0) {
            return named.code;
        }
    }
    if (std::strcmp(e.key, "Shift") == 0) {
        return right ? KEY_SHIFT_R : KEY_SHIFT_L;
    }
    if (std::strcmp(e.key, "Control") == 0) {
        return right ? KEY_CTRL_R : KEY_CTRL_L;
    }
    if (std::strcmp(e.key, "Alt") == 0) {
        return right ? KEY_ALT_R : KEY_ALT_L;
    }
    if (std::strcmp(e.key, "Meta") == 0 || std::strcmp(e.key, "OS") == 0) {
        return right ? KEY_SUPER_R : KEY_SUPER_L;
    }
    return NO_KEY;
}

// Hands a key to the program: a character to the keyboard callback, else a special key's code to
// the special callback. False when the program takes no such key.
bool giveKey(int character, int special)
{
    if (character != NO_KEY) {
        if (toolkit.keyboard == nullptr) {
            return false;
        }
        toolkit.keyboard(static_cast<unsigned char>(character), toolkit.pointerX, toolkit.pointerY);
        return true;
    }
    if (special == NO_KEY || toolkit.special == nullptr) {
        return false;
    }
    toolkit.special(special, toolkit.pointerX, toolkit.pointerY);
    return true;
}

// A key the viewer is given is the viewer's: the page does not also scroll, find or print on it.
EM_BOOL onKeyDown(int /*type*/, const EmscriptenKeyboardEvent *e, void * /*userData*/)
{
    const int character = keyCharacter(*e);
    return giveKey(character, character == NO_KEY ? specialKey(*e) : NO_KEY) ? EM_TRUE : EM_FALSE;
}

// --- Pointer --------------------------------------------------------------------------------

void followPointer(double pageX, double pageY)
{
    toolkit.pointerX = static_cast<int>(std::floor((pageX - toolkit.originX) * toolkit.scaleX));
    toolkit.pointerY = static_cast<int>(std::floor((pageY - toolkit.originY) * toolkit.scaleY));
}

// Takes the canvas's place and scale from an event on it: the page may have laid it out anew,
// scaled down to a narrow screen, since the last press.
void measureCanvas(double pageX, double pageY, double canvasX, double canvasY)
{
    double cssWidth = 0.0;
    double cssHeight = 0.0;
    emscripten_get_element_css_size(CANVAS, &cssWidth, &cssHeight);
    toolkit.originX = pageX - canvasX;
    toolkit.originY = pageY - canvasY;
    toolkit.scaleX = cssWidth > 0.0 ? toolkit.width / cssWidth : 1.0;
    toolkit.scaleY = cssHeight > 0.0 ? toolkit.height / cssHeight : 1.0;
}

void press(int button, double pageX, double pageY)
{
    followPointer(pageX, pageY);
    toolkit.buttonsHeld |= 1u << button;
    if (toolkit.mouse != nullptr) {
        toolkit.mouse(button, GLUT_DOWN, toolkit.pointerX, toolkit.pointerY);
    }
}

void release(int button, double pageX, double pageY)
{
    followPointer(pageX, pageY);
    toolkit.buttonsHeld &= ~(1u << button);
    if (toolkit.mouse != nullptr) {
        toolkit.mouse(button, GLUT_UP, toolkit.pointerX, toolkit.pointerY);
    }
}

// Motion is reported only while a button is held, with the pointer where it is now.
void move(double pageX, double pageY)
{
    followPointer(pageX, pageY);
    if ((toolkit.buttonsHeld & MOTION_BUTTONS) != 0 && toolkit.motion != nullptr) {
        toolkit.motion(toolkit.pointerX, toolkit.pointerY);
    }
}

// Presses count on the canvas only; releases and motion are taken from the whole page, so a drag
// that leaves the canvas goes on, as on the desktop.
EM_BOOL onMouse(int type, const EmscriptenMouseEvent *e, void * /*userData*/)
{
    if (e->button > LAST_BUTTON) {
        return EM_FALSE;
    }
    // The page's 0/1/2 for left/middle/right are GLUT's button numbers.
    const int button =
        e->button < BACK_BUTTON ? e->button : e->button - BACK_BUTTON + GLUT_BACK_BUTTON;
    const unsigned bit = 1u << button;
    switch (type) {
    case EMSCRIPTEN_EVENT_MOUSEDOWN:
        measureCanvas(e->clientX, e->clientY, e->targetX, e->targetY);
        press(button, e->clientX, e->clientY);
        return EM_TRUE;  // no text selection or dragging of the page
    case EMSCRIPTEN_EVENT_MOUSEUP:
        if ((toolkit.buttonsHeld & bit) != 0) {
            release(button, e->clientX, e->clientY);
        }
        return EM_FALSE;
    default:
        move(e->clientX, e->clientY);
        return EM_FALSE;
    }
}

// The first finger on the canvas drags like the left button; further fingers are ignored.
EM_BOOL onTouch(int type, const EmscriptenTouchEvent *e, void * /*userData*/)
{
    for (int i = 0; i < e->numTouches; ++i) {
        const EmscriptenTouchPoint &point = e->touches[i];
        if (!point.isChanged) {
            continue;
        }
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART && toolkit.touch == NO_TOUCH) {
            toolkit.touch = static_cast<int>(point.identifier);
            measureCanvas(point.clientX, point.clientY, point.targetX, point.targetY);
            press(GLUT_LEFT_BUTTON, point.clientX, point.clientY);
        } else if (point.identifier != toolkit.touch) {
            continue;
        } else if (type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
            move(point.clientX, point.clientY);
        } else if (type == EMSCRIPTEN_EVENT_TOUCHEND || type == EMSCRIPTEN_EVENT_TOUCHCANCEL) {
            toolkit.touch = NO_TOUCH;
            release(GLUT_LEFT_BUTTON, point.clientX, point.clientY);
        }
    }
    return EM_TRUE;  // no scrolling or zooming, and no mouse events made up from the touch
}

// --- Visibility and the main loop -----------------------------------------------------------

void reportVisibility(bool hidden)
{
    toolkit.hidden = hidden;
    if (toolkit.windowStatus != nullptr) {
        toolkit.windowStatus(hidden ? GLUT_HIDDEN : GLUT_FULLY_RETAINED);
    }
}

// A page in a background tab or a minimised browser is what an unmapped window is on X.
EM_BOOL onVisibility(int /*type*/, const EmscriptenVisibilityChangeEvent *e, void * /*userData*/)
{
    if ((e->hidden != 0) != toolkit.hidden) {
        reportVisibility(e->hidden != 0);
    }
    return EM_FALSE;
}

EM_BOOL frame(double time, void *userData);

// Whether the loop's next pass would do anything. Without a drawing context it has nothing to
// draw on, and the spin waits where it is.
bool busy()
{
    return !toolkit.contextLost && (toolkit.redisplay || toolkit.idle != nullptr);
}

// Asks for the loop's next pass if it would do anything. freeglut's loop blocks until an event
// comes while it has neither a redisplay posted nor an idle callback; here that is a page that
// asks the browser for no frame, which a phone's battery notices. Input reaches the loop only
// through glutPostRedisplay and glutIdleFunc, and each of them wakes it.
void wake()
{
    if (toolkit.looping && !toolkit.frameAsked && busy()) {
        toolkit.frameAsked = true;
        emscripten_request_animation_frame(frame, nullptr);
    }
}

// One pass of freeglut's loop: the input arrived since the last frame has already been handed
// over; now the posted redisplay, then the idle callback once, and the next pass if it is due.
EM_BOOL frame(double /*time*/, void * /*userData*/)
{
    toolkit.frameAsked = false;
    if (toolkit.contextLost) {
        return EM_FALSE;  // asked for before the loss
    }
    if (toolkit.redisplay && toolkit.display != nullptr) {
        toolkit.redisplay = false;
        toolkit.display();
    }
    if (toolkit.idle != nullptr) {
        toolkit.idle();
    }
    wake();
    return EM_FALSE;
}

// A browser takes a page's drawing context away when it runs short of memory or its graphics
// process restarts, and gives it back only to a page that asks for it: everything the context held
// is then built again and the picture drawn, with the program's state as it was.
EM_BOOL onContextLost(int /*type*/, const void * /*reserved*/, void * /*userData*/)
{
    toolkit.contextLost = true;
    return EM_TRUE;  // the asking
}

// The canvas's drawing buffer becomes `width` x `height` pixels, and the viewport is scaled to it.
void sizeBuffer(int width, int height)
{
    toolkit.bufferWidth = width;
    toolkit.bufferHeight = height;
    emscripten_set_canvas_element_size(CANVAS, width, height);
    scaleViewport(toolkit.width, toolkit.height, width, height);
}

// A new size for the drawing buffer, and the picture drawn on it at once: a new buffer is blank,
// and the browser shows it once this, one of its steps in making a frame, returns.
void resizeBuffer(int width, int height)
{
    if (width < 1 || height < 1 ||
        (width == toolkit.bufferWidth && height == toolkit.bufferHeight)) {
        return;
    }
    sizeBuffer(width, height);
    if (toolkit.looping && !toolkit.contextLost && toolkit.display != nullptr) {
        toolkit.redisplay = false;  // drawn now, as a posted redisplay would be
        toolkit.display();
    } else {
        toolkit.redisplay = true;
    }
    wake();
}

EM_BOOL onContextRestored(int /*type*/, const void * /*reserved*/, void * /*userData*/)
{
    toolkit.contextLost = false;
    startPipeline();
    restoreViewport();
    toolkit.redisplay = true;
    wake();
    return EM_FALSE;
}

void listen()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_mousedown_callback(CANVAS, nullptr, EM_FALSE, onMouse);
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onMouse);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onMouse);
    emscripten_set_touchstart_callback(CANVAS, nullptr, EM_FALSE, onTouch);
    emscripten_set_touchmove_callback(CANVAS, nullptr, EM_FALSE, onTouch);
    emscripten_set_touchend_callback(CANVAS, nullptr, EM_FALSE, onTouch);
    emscripten_set_touchcancel_callback(CANVAS, nullptr, EM_FALSE, onTouch);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibility);
    emscripten_set_webglcontextlost_callback(CANVAS, nullptr, EM_FALSE, onContextLost);
    emscripten_set_webglcontextrestored_callback(CANVAS, nullptr, EM_FALSE, onContextRestored);
}

// The canvas's drawing context, with what the display mode asks for and nothing the desktop
// window lacks: no alpha for the page to show through, no multisampling to soften the lines.
// WebGL 2 where the browser has it, else WebGL 1: the page draws alike on both.
bool createContext()
{
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        return false;
    }
    const bool depth = (toolkit.displayMode & GLUT_DEPTH) != 0;
    const EGLint configAttributes[] = {EGL_RED_SIZE,   8,
                                       EGL_GREEN_SIZE, 8,
                                       EGL_BLUE_SIZE,  8,
                                       EGL_ALPHA_SIZE, 0,
                                       EGL_DEPTH_SIZE, depth ? 24 : 0,
                                       EGL_SAMPLES,    0,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &configs) != EGL_TRUE ||
        configs == 0) {
        return false;
    }
    EGLSurface surface = eglCreateWindowSurface(display, config, 0, nullptr);
    for (const EGLint version : {WEBGL2_CLIENT_VERSION, WEBGL1_CLIENT_VERSION}) {
        const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, version, EGL_NONE};
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
        if (context != EGL_NO_CONTEXT &&
            eglMakeCurrent(display, surface, surface, context) == EGL_TRUE) {
            startPipeline();
            drawUpsideDownOnMesa();
            return true;
        }
    }
    return false;
}

}  // namespace

// The page's buttons stand for keys (page.html): a press of one is handed over as a press of its
// key is: a character, or -1 (NO_KEY) and one of freeglut's special-key codes.
extern "C" EMSCRIPTEN_KEEPALIVE void planviewPressKey(int character, int special)
{
    giveKey(character, special);
}

// The canvas's size on the screen, in device pixels, whenever it changes.
extern "C" EMSCRIPTEN_KEEPALIVE void planviewBufferResized(int width, int height)
{
    resizeBuffer(width, height);
}

// --- GLUT -----------------------------------------------------------------------------------

void glutInit(int * /*argc*/, char ** /*argv*/)
{
    fgState.Initialised = GL_TRUE;
}

void glutInitDisplayMode(unsigned int mode)
{
    toolkit.displayMode = mode;
}

void glutInitWindowSize(int width, int height)
{
    toolkit.width = width;
    toolkit.height = height;
}

int glutCreateWindow(const char *title)
{
    emscripten_set_window_title(title);
    // As many pixels as the canvas covers on the screen, or the window's where it covers none.
    const int across = devicePixelsOfCanvas(true);
    const int down = devicePixelsOfCanvas(false);
    const bool shown = across > 0 && down > 0;
    sizeBuffer(shown ? across : toolkit.width, shown ? down : toolkit.height);
    if (!createContext()) {
        fgError("Unable to create an OpenGL context");
    }
    listen();
    followCanvasSize();
    toolkit.redisplay = true;  // a new window is drawn once it shows
    return 1;
}

void glutDisplayFunc(void (*callback)())
{
    toolkit.display = callback;
}

void glutReshapeFunc(void (*callback)(int, int))
{
    toolkit.reshape = callback;
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    toolkit.keyboard = callback;
}

void glutSpecialFunc(void (*callback)(int, int, int))
{
    toolkit.special = callback;
}

void glutMouseFunc(void (*callback)(int, int, int, int))
{
    toolkit.mouse = callback;
}

void glutMotionFunc(void (*callback)(int, int))
{
    toolkit.motion = callback;
}

void glutIdleFunc(void (*callback)())
{
    toolkit.idle = callback;
    wake();
}

void glutWindowStatusFunc(void (*callback)(int))
{
    toolkit.windowStatus = callback;
}

void glutPostRedisplay()
{
    toolkit.redisplay = true;
    wake();
}

// The browser shows the canvas when the frame's callback returns.
void glutSwapBuffers() {}

// Like freeglut's, it does not return: the window is sized before its first picture, told
// whether it can be seen, and from then on the page's frames run the loop, while it has work.
void glutMainLoop()
{
    if (toolkit.reshape != nullptr) {
        toolkit.reshape(toolkit.width, toolkit.height);
    } else {
        glViewport(0, 0, toolkit.width, toolkit.height);
    }
    EmscriptenVisibilityChangeEvent visibility{};
    emscripten_get_visibility_status(&visibility);
    reportVisibility(visibility.hidden != 0);
    toolkit.looping = true;
    wake();
    emscripten_unwind_to_js_event_loop();
}
