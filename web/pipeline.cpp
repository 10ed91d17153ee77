// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// OpenGL 1.1's fixed pipeline as far as the viewer uses it: unlit, untextured lines in the current
// colour. The toolchain's emulation of the whole of it sent a shape's vertices anew and set up its
// program and attributes again for every glBegin/glEnd, about 8,000 WebGL calls a frame, each a
// message to the browser's graphics process. Here the shapes' vertices are uploaded once, and a
// shape costs a matrix, perhaps a colour, and one draw. The shaders compute what the emulation's
// did, in the same order, so the pictures stay the same.
// Where the canvas has more pixels than the program's window, a line is as wide as a window pixel
// is there, a whole number of pixels: WebGL's lines are one pixel wide only (in Chromium and
// Firefox), so such a line is drawn as a strip of that width, two triangles, placed as OpenGL
// places a wide line: across its major axis, from end to end.
#include "web/pipeline.h"

#include <GLES2/gl2.h>
#include <emscripten.h>

#include <array>
#include <vector>

extern "C" void emscripten_glEnable(GLenum cap);
extern "C" void emscripten_glDisable(GLenum cap);

namespace {

const GLuint POSITION = 0;
const GLuint COLOUR = 1;
const GLuint OTHER_END = 2;  // a wide line's corner: the line's other end
const GLuint SIDE = 3;       // and which of its two edges, -1 or 1
const int COORDINATES = 3;   // per vertex
const int LINE_ENDS = 2;
// A wide line's six corners, two triangles, each as its end (0 or 1) and side.
struct Corner {
    int end;
    GLfloat side;
};
constexpr Corner CORNERS[] = {{0, -1}, {0, 1}, {1, 1}, {0, -1}, {1, 1}, {1, -1}};
constexpr int CORNERS_A_LINE = sizeof CORNERS / sizeof CORNERS[0];
constexpr int CORNER_FLOATS = 2 * COORDINATES + 1;  // its end, the other end, its side
constexpr GLfloat NDC_SPAN = 2.0f;                  // from -1 to 1 across the viewport

// The colour is a constant attribute passed on as a varying, and the position goes through one
// matrix: the emulation's projection stays the identity (matrix.cpp), which changes no bit.
const char *const VERTEX_SHADER = R"(
attribute vec4 a_position;
attribute vec4 a_color;
varying vec4 v_color;
uniform mat4 u_transform;
void main()
{
  gl_Position = u_transform * a_position;
  v_color = a_color;
})";

const char *const FRAGMENT_SHADER = R"(
precision mediump float;
varying vec4 v_color;
void main()
{
  gl_FragColor = v_color;
})";

// A wide line's corner: its end through the matrix, clipped to the near plane as a line is, then
// moved half the line's width across the line's major axis on the screen. A line behind the eye
// altogether is moved out of sight.
const char *const WIDE_VERTEX_SHADER = R"(
attribute vec4 a_position;
attribute vec4 a_other;
attribute float a_side;
attribute vec4 a_color;
varying vec4 v_color;
uniform mat4 u_transform;
uniform vec2 u_pixel;
uniform float u_width;
void main()
{
  v_color = a_color;
  vec4 here = u_transform * a_position;
  vec4 there = u_transform * a_other;
  float hereIn = here.z + here.w;
  float thereIn = there.z + there.w;
  if (hereIn < 0.0 && thereIn < 0.0) {
    gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
    return;
  }
  if (hereIn < 0.0) {
    here = mix(here, there, hereIn / (hereIn - thereIn));
  }
  if (thereIn < 0.0) {
    there = mix(there, here, thereIn / (thereIn - hereIn));
  }
  vec2 along = (there.xy / there.w - here.xy / here.w) / u_pixel;
  vec2 across = abs(along.x) >= abs(along.y) ? vec2(0.0, u_pixel.y) : vec2(u_pixel.x, 0.0);
  gl_Position = here;
  gl_Position.xy += across * (0.5 * u_width * a_side * here.w);
})";

// The wide lines' program and their corners, built the first time lines are to be wide.
struct WideLines {
    GLuint program = 0;
    GLuint buffer = 0;
    GLint transformAt = -1;
    GLint pixelAt = -1;
    GLint widthAt = -1;
    size_t uploaded = 0;  // of the captured lines' vertices, those the buffer has corners of
};

struct Pipeline {
    GLuint program = 0;
    GLuint buffer = 0;
    GLint transformAt = -1;
    std::array<GLfloat, MATRIX_SIZE> transform = IDENTITY;
    GLfloat colour[4] = {1, 1, 1, 1};  // OpenGL's first current colour; WebGL's is black
    bool transformSent = false;
    bool colourSent = false;
    bool depthTest = false;  // as the program last switched it
    int lineWidth = 1;       // in the canvas's pixels
    GLsizei viewportWidth = 0;
    GLsizei viewportHeight = 0;
    bool wide = false;  // the wide lines' program is in use
    bool widthSent = false;
    WideLines wideLines;

    std::vector<GLfloat> vertices;  // every captured line, end after end
    size_t uploaded = 0;            // of `vertices`, the part the buffer holds
    bool capturing = false;
    size_t captureStart = 0;
    GLenum mode = GL_LINES;
    std::vector<GLfloat> primitive;  // between glBegin and glEnd
};
Pipeline pipeline;

GLuint compile(GLenum type, const char *source)
{
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// A program of the vertex shader given and the one fragment shader, or 0 where it does not link.
// Every attribute has the same place in both programs; a name a shader lacks binds nothing.
GLuint link(const char *vertexShader)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, vertexShader));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER));
    // The position on attribute 0, which WebGL 1 wants always fed from an array.
    glBindAttribLocation(program, POSITION, "a_position");
    glBindAttribLocation(program, COLOUR, "a_color");
    glBindAttribLocation(program, OTHER_END, "a_other");
    glBindAttribLocation(program, SIDE, "a_side");
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        emscripten_log(EM_LOG_ERROR, "planview: the drawing program does not link");
        return 0;
    }
    return program;
}

// A vertex attribute's place in the bound buffer, which OpenGL takes as a pointer.
const void *bufferOffset(size_t bytes)
{
    return reinterpret_cast<const void *>(bytes);  // NOLINT(performance-no-int-to-ptr)
}

// The one-pixel lines' program, with its buffer and the position read from it.
void useThinLines()
{
    glUseProgram(pipeline.program);
    glBindBuffer(GL_ARRAY_BUFFER, pipeline.buffer);
    glDisableVertexAttribArray(OTHER_END);
    glDisableVertexAttribArray(SIDE);
    glVertexAttribPointer(POSITION, COORDINATES, GL_FLOAT, GL_FALSE, 0, nullptr);
    pipeline.wide = false;
    pipeline.transformSent = false;
}

// The wide lines' program, with their corners' buffer; false where it cannot be built.
bool useWideLines()
{
    WideLines &wide = pipeline.wideLines;
    if (wide.program == 0) {
        wide.program = link(WIDE_VERTEX_SHADER);
        if (wide.program == 0) {
            return false;
        }
        wide.transformAt = glGetUniformLocation(wide.program, "u_transform");
        wide.pixelAt = glGetUniformLocation(wide.program, "u_pixel");
        wide.widthAt = glGetUniformLocation(wide.program, "u_width");
        glGenBuffers(1, &wide.buffer);
        wide.uploaded = 0;
    }
    glUseProgram(wide.program);
    glBindBuffer(GL_ARRAY_BUFFER, wide.buffer);
    const GLsizei stride = CORNER_FLOATS * sizeof(GLfloat);
    glVertexAttribPointer(POSITION, COORDINATES, GL_FLOAT, GL_FALSE, stride, nullptr);
    glVertexAttribPointer(OTHER_END, COORDINATES, GL_FLOAT, GL_FALSE, stride,
                          bufferOffset(COORDINATES * sizeof(GLfloat)));
    glVertexAttribPointer(SIDE, 1, GL_FLOAT, GL_FALSE, stride,
                          bufferOffset(LINE_ENDS * COORDINATES * sizeof(GLfloat)));
    glEnableVertexAttribArray(OTHER_END);
    glEnableVertexAttribArray(SIDE);
    pipeline.wide = true;
    pipeline.transformSent = false;
    pipeline.widthSent = false;
    return true;
}

// Every captured line's corners, sent once the lines are all captured, as the lines are.
void uploadCorners()
{
    WideLines &wide = pipeline.wideLines;
    if (wide.uploaded == pipeline.vertices.size()) {
        return;
    }
    const size_t lines = pipeline.vertices.size() / (LINE_ENDS * COORDINATES);
    std::vector<GLfloat> corners;
    corners.reserve(lines * CORNERS_A_LINE * CORNER_FLOATS);
    for (size_t line = 0; line < lines; ++line) {
        const GLfloat *ends = &pipeline.vertices[line * LINE_ENDS * COORDINATES];
        for (const Corner &corner : CORNERS) {
            const GLfloat *here = ends + corner.end * COORDINATES;
            const GLfloat *there = ends + (1 - corner.end) * COORDINATES;
            corners.insert(corners.end(), here, here + COORDINATES);
            corners.insert(corners.end(), there, there + COORDINATES);
            corners.push_back(corner.side);
        }
    }
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(corners.size() * sizeof(GLfloat)), corners.data(),
                 GL_STATIC_DRAW);
    wide.uploaded = pipeline.vertices.size();
}

// The transform, to the program in use, and the colour, where they changed since last sent.
void sendTransformAndColour(GLint transformAt)
{
    if (!pipeline.transformSent) {
        glUniformMatrix4fv(transformAt, 1, GL_FALSE, pipeline.transform.data());
        pipeline.transformSent = true;
    }
    if (!pipeline.colourSent) {
        glVertexAttrib4fv(COLOUR, pipeline.colour);
        pipeline.colourSent = true;
    }
}

// Lines as wide as the viewport's scale asks, as strips of two triangles each.
void drawWideLines(Lines lines)
{
    WideLines &wide = pipeline.wideLines;
    uploadCorners();
    if (!pipeline.widthSent) {
        glUniform2f(wide.pixelAt, NDC_SPAN / GLfloat(pipeline.viewportWidth),
                    NDC_SPAN / GLfloat(pipeline.viewportHeight));
        glUniform1f(wide.widthAt, GLfloat(pipeline.lineWidth));
        pipeline.widthSent = true;
    }
    sendTransformAndColour(wide.transformAt);
    glDrawArrays(GL_TRIANGLES, lines.first / LINE_ENDS * CORNERS_A_LINE,
                 lines.count / LINE_ENDS * CORNERS_A_LINE);
}

// One line of the primitive, from vertex `start` to vertex `end`.
void addLine(size_t start, size_t end)
{
    for (const size_t vertex : {start, end}) {
        const GLfloat *coordinates = &pipeline.primitive[vertex * COORDINATES];
        pipeline.vertices.insert(pipeline.vertices.end(), coordinates, coordinates + COORDINATES);
    }
}

}  // namespace

void startPipeline()
{
    // Whatever the graphics side held before is gone: everything is sent again.
    pipeline.uploaded = 0;
    pipeline.transformSent = false;
    pipeline.colourSent = false;
    pipeline.wide = false;
    pipeline.wideLines = WideLines{};
    if (pipeline.depthTest) {
        emscripten_glEnable(GL_DEPTH_TEST);
    }
    const GLuint program = link(VERTEX_SHADER);
    pipeline.program = program;
    if (program == 0) {
        return;
    }
    glUseProgram(program);
    pipeline.transformAt = glGetUniformLocation(program, "u_transform");
    glGenBuffers(1, &pipeline.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, pipeline.buffer);
    glEnableVertexAttribArray(POSITION);
    glVertexAttribPointer(POSITION, COORDINATES, GL_FLOAT, GL_FALSE, 0, nullptr);
}

void setTransform(const GLfloat m[MATRIX_SIZE])
{
    for (int i = 0; i < MATRIX_SIZE; ++i) {
        pipeline.transform[i] = m[i];
    }
    pipeline.transformSent = false;
}

void startCapture()
{
    pipeline.capturing = true;
    pipeline.captureStart = pipeline.vertices.size();
}

Lines endCapture()
{
    pipeline.capturing = false;
    return {GLint(pipeline.captureStart / COORDINATES),
            GLsizei((pipeline.vertices.size() - pipeline.captureStart) / COORDINATES)};
}

void drawLines(Lines lines)
{
    if (pipeline.program == 0) {
        return;
    }
    if (pipeline.lineWidth > 1 && (pipeline.wide || useWideLines())) {
        drawWideLines(lines);
        return;
    }
    if (pipeline.wide) {
        useThinLines();
    }
    // New shapes arrive in the first frames only; the buffer then holds them all for good.
    if (pipeline.uploaded != pipeline.vertices.size()) {
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(pipeline.vertices.size() * sizeof(GLfloat)),
                     pipeline.vertices.data(), GL_STATIC_DRAW);
        pipeline.uploaded = pipeline.vertices.size();
    }
    sendTransformAndColour(pipeline.transformAt);
    glDrawArrays(GL_LINES, lines.first, lines.count);
}

void widenLines(int width, GLsizei viewportWidth, GLsizei viewportHeight)
{
    pipeline.lineWidth = width;
    pipeline.viewportWidth = viewportWidth;
    pipeline.viewportHeight = viewportHeight;
    pipeline.widthSent = false;
}

// --- OpenGL 1.1 -------------------------------------------------------------------------------

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    GLfloat *current = pipeline.colour;
    if (current[0] != red || current[1] != green || current[2] != blue || current[3] != alpha) {
        current[0] = red, current[1] = green, current[2] = blue, current[3] = alpha;
        pipeline.colourSent = false;
    }
}

// Called by freeglut's shape code only, out of cppcheck's sight.
// cppcheck-suppress unusedFunction
void glColor4fv(const GLfloat *v)
{
    glColor4f(v[0], v[1], v[2], v[3]);
}

void glColor3fv(const GLfloat *v)
{
    glColor4f(v[0], v[1], v[2], 1.0f);
}

// Only the line primitives the wire shapes are made of are kept, and only while capturing.
// freeglut's shape code makes the calls from here to glEnd, out of cppcheck's sight.
// cppcheck-suppress unusedFunction
void glBegin(GLenum mode)
{
    pipeline.mode = mode;
    pipeline.primitive.clear();
}

// cppcheck-suppress unusedFunction
void glVertex3fv(const GLfloat *v)
{
    pipeline.primitive.insert(pipeline.primitive.end(), v, v + COORDINATES);
}

// Unlit, untextured lines have no use for normals or texture coordinates.
// cppcheck-suppress unusedFunction
void glNormal3fv(const GLfloat * /*v*/) {}
// cppcheck-suppress unusedFunction
void glTexCoord2fv(const GLfloat * /*v*/) {}

// cppcheck-suppress unusedFunction
void glEnd()
{
    const size_t count = pipeline.primitive.size() / COORDINATES;
    if (!pipeline.capturing || count < 2) {
        return;
    }
    switch (pipeline.mode) {
    case GL_LINES:
        for (size_t vertex = 0; vertex + 1 < count; vertex += 2) {
            addLine(vertex, vertex + 1);
        }
        break;
    case GL_LINE_LOOP:
    case GL_LINE_STRIP:
        for (size_t vertex = 0; vertex + 1 < count; ++vertex) {
            addLine(vertex, vertex + 1);
        }
        if (pipeline.mode == GL_LINE_LOOP) {
            addLine(count - 1, 0);
        }
        break;
    default:
        break;
    }
}

// Depth testing is the one switch the viewer throws, kept to be thrown again on a context that
// comes back.
void glEnable(GLenum cap)
{
    if (cap == GL_DEPTH_TEST) {
        pipeline.depthTest = true;
    }
    emscripten_glEnable(cap);
}

void glDisable(GLenum cap)
{
    if (cap == GL_DEPTH_TEST) {
        pipeline.depthTest = false;
    }
    emscripten_glDisable(cap);
}

// The browser sends a frame's commands on when the frame's callback returns.
void glFlush() {}
