// SPDX-FileCopyrightText: 2026 planview developers
//
// SPDX-License-Identifier: MIT

// OpenGL 1.1's fixed pipeline as far as the viewer uses it: unlit, untextured lines in the current
// colour. The toolchain's emulation of the whole of it sent a shape's vertices anew and set up its
// program and attributes again for every glBegin/glEnd, about 8,000 WebGL calls a frame, each a
// message to the browser's graphics process. Here the shapes' vertices are uploaded once, and a
// shape costs a matrix, perhaps a colour, and one draw. The shaders compute what the emulation's
// did, in the same order, so the pictures stay the same.
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
const int COORDINATES = 3;  // per vertex

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

struct Pipeline {
    GLuint program = 0;
    GLuint buffer = 0;
    GLint transformAt = -1;
    std::array<GLfloat, MATRIX_SIZE> transform = IDENTITY;
    GLfloat colour[4] = {1, 1, 1, 1};  // OpenGL's first current colour; WebGL's is black
    bool transformSent = false;
    bool colourSent = false;
    bool depthTest = false;  // as the program last switched it

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
    if (pipeline.depthTest) {
        emscripten_glEnable(GL_DEPTH_TEST);
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, VERTEX_SHADER));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER));
    // The position on attribute 0, which WebGL 1 wants always fed from an array.
    glBindAttribLocation(program, POSITION, "a_position");
    glBindAttribLocation(program, COLOUR, "a_color");
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        emscripten_log(EM_LOG_ERROR, "planview: the drawing program does not link");
        pipeline.program = 0;
        return;
    }
    glUseProgram(program);
    pipeline.program = program;
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
    // New shapes arrive in the first frames only; the buffer then holds them all for good.
    if (pipeline.uploaded != pipeline.vertices.size()) {
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(pipeline.vertices.size() * sizeof(GLfloat)),
                     pipeline.vertices.data(), GL_STATIC_DRAW);
        pipeline.uploaded = pipeline.vertices.size();
    }
    if (!pipeline.transformSent) {
        glUniformMatrix4fv(pipeline.transformAt, 1, GL_FALSE, pipeline.transform.data());
        pipeline.transformSent = true;
    }
    if (!pipeline.colourSent) {
        glVertexAttrib4fv(COLOUR, pipeline.colour);
        pipeline.colourSent = true;
    }
    glDrawArrays(GL_LINES, lines.first, lines.count);
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
