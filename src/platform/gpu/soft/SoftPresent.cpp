#include "platform/gpu/soft/SoftPresent.h"

#include <epoxy/gl.h>

#include <cmath>

#include "platform/gpu/GlWindow.h"

namespace gpu {
namespace {

const char* kVertex = R"(#version 330 core
out vec2 vUv;
void main() {
    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    vUv = vec2(p.x, 1.0 - p.y); // the picture's top row comes first
    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* kFragment = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uImage;
out vec4 oColor;
void main() {
    oColor = vec4(texture(uImage, vUv).rgb, 1.0);
}
)";

} // namespace

bool SoftPresent::Init() {
    const uint32_t vs = CompileShader(GL_VERTEX_SHADER, kVertex);
    const uint32_t fs = CompileShader(GL_FRAGMENT_SHADER, kFragment);
    if (vs && fs)
        program_ = LinkProgram(vs, fs);
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    if (!program_)
        return false;
    glUseProgram(program_);
    glUniform1i(glGetUniformLocation(program_, "uImage"), 0);
    glGenVertexArrays(1, &vao_);
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            lut_[c][i] = static_cast<uint8_t>(i);
    return glGetError() == GL_NO_ERROR;
}

SoftPresent::~SoftPresent() {
    if (program_)
        glDeleteProgram(program_);
    if (vao_)
        glDeleteVertexArrays(1, &vao_);
    if (texture_)
        glDeleteTextures(1, &texture_);
}

void SoftPresent::SetRamp(const GammaRamp& ramp) {
    identity_ = true;
    const uint16_t* channels[3] = {ramp.red, ramp.green, ramp.blue};
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i) {
            lut_[c][i] = static_cast<uint8_t>(
                (static_cast<uint32_t>(channels[c][i]) * 255u + 32767u) / 65535u);
            identity_ = identity_ && lut_[c][i] == i;
        }
}

void SoftPresent::Draw(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                       uint32_t framebuffer, int32_t width, int32_t height, int32_t shown[4]) {
    const uint32_t* pixels = argb;
    if (!identity_) {
        ramped_.resize(static_cast<size_t>(bbWidth) * bbHeight);
        for (size_t i = 0; i < ramped_.size(); ++i) {
            const uint32_t c = argb[i];
            ramped_[i] = 0xFF000000u | static_cast<uint32_t>(lut_[0][(c >> 16) & 0xFF]) << 16 |
                         static_cast<uint32_t>(lut_[1][(c >> 8) & 0xFF]) << 8 | lut_[2][c & 0xFF];
        }
        pixels = ramped_.data();
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (texWidth_ != bbWidth || texHeight_ != bbHeight) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(bbWidth),
                     static_cast<GLsizei>(bbHeight), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     pixels);
        texWidth_ = bbWidth;
        texHeight_ = bbHeight;
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(bbWidth),
                        static_cast<GLsizei>(bbHeight), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                        pixels);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    FitPicture(width, height, bbWidth, bbHeight, shown);
    const bool bars = shown[2] != width || shown[3] != height;
    if (bars) {
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glViewport(shown[0], shown[1], shown[2], shown[3]);
    const GLint filter =
        (shown[2] == static_cast<int32_t>(bbWidth) && shown[3] == static_cast<int32_t>(bbHeight))
            ? GL_NEAREST
            : GL_LINEAR;
    if (filter != filter_) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        filter_ = filter;
    }
    glUseProgram(program_);
    glBindVertexArray(vao_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void SoftPresent::ReadPresented(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                                uint32_t width, uint32_t height, std::vector<uint32_t>& out) {
    GLuint tex = 0, fb = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &fb);
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
    int32_t shown[4];
    Draw(argb, bbWidth, bbHeight, fb, static_cast<int32_t>(width), static_cast<int32_t>(height),
         shown);
    ReadFramebuffer(width, height, out);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fb);
    glDeleteTextures(1, &tex);
}

} // namespace gpu
