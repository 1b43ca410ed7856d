#include "platform/gpu/soft/SoftPresent.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/gpu/WindowGlContext.h"
#include "platform/gpu/WindowPresent.h"
#include "platform/os/Window.h"

// What makes presenting cheap on Mesa's llvmpipe (measured on 1024x768 frames):
// - The texture is made with the unsized GL_RGBA from BGRA, 8_8_8_8_REV data,
//   which Mesa stores as B8G8R8A8: each upload is a row copy. The sized
//   GL_RGBA8 is stored as R8G8B8A8 and swizzled texel by texel (about 2 ms).
// - The texture goes into the window by glBlitFramebuffer, not by a drawn
//   quad. A same-size blit between framebuffers whose rows lie the same way in
//   memory is a region copy that never reaches the rasteriser. The texture
//   holds the top row first, and so does the window's buffer (GL flips window
//   framebuffers), hence the upside-down source rectangle. The copy and the
//   upload take about 0.25 ms; a textured quad 1.5-5 ms even where llvmpipe
//   takes its blit paths (the cheaper ones need a window without depth, and
//   there Mesa 22.3 swaps red and blue for a shader that writes alpha one).
// - Nothing is done per texel on our side unless the gamma ramp changes the
//   picture or the target keeps alpha (the picture's alpha is not opaque).

namespace gpu {

bool SoftPresent::Init(WindowGlContext* context) {
    context_ = context;
    context_->MakeCurrent();
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &source_);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // A window without alpha shows the picture's colour whatever its alpha.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    int alphaBits = 8;
    windowKeepsAlpha_ = SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alphaBits) != 0 || alphaBits > 0;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 256; ++i)
            lut_[c][i] = static_cast<uint8_t>(i);
    return glGetError() == GL_NO_ERROR;
}

SoftPresent::~SoftPresent() {
    if (context_)
        context_->MakeCurrent();
    if (source_)
        glDeleteFramebuffers(1, &source_);
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

const uint32_t* SoftPresent::Prepare(const uint32_t* argb, size_t count, bool targetKeepsAlpha) {
    if (identity_ && !targetKeepsAlpha)
        return argb;
    ramped_.resize(count);
    if (identity_) {
        for (size_t i = 0; i < count; ++i)
            ramped_[i] = argb[i] | 0xFF000000u;
        return ramped_.data();
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = argb[i];
        ramped_[i] = 0xFF000000u | static_cast<uint32_t>(lut_[0][(c >> 16) & 0xFF]) << 16 |
                     static_cast<uint32_t>(lut_[1][(c >> 8) & 0xFF]) << 8 | lut_[2][c & 0xFF];
    }
    return ramped_.data();
}

void SoftPresent::Draw(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                       uint32_t framebuffer, int32_t width, int32_t height, int32_t shown[4],
                       const int32_t* rows) {
    const bool keepsAlpha = framebuffer != 0 || windowKeepsAlpha_;
    const auto w = static_cast<GLsizei>(bbWidth), h = static_cast<GLsizei>(bbHeight);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source_);
    if (texWidth_ != bbWidth || texHeight_ != bbHeight) {
        const uint32_t* pixels = Prepare(argb, static_cast<size_t>(bbWidth) * bbHeight, keepsAlpha);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     pixels);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_,
                               0);
        texWidth_ = bbWidth;
        texHeight_ = bbHeight;
    } else {
        // Whole rows go up: one copy of contiguous memory.
        const GLint top = rows ? std::clamp<GLint>(rows[0], 0, h) : 0;
        const GLint bottom = rows ? std::clamp<GLint>(rows[1], top, h) : h;
        const size_t first = static_cast<size_t>(top) * bbWidth;
        const uint32_t* pixels =
            Prepare(argb + first, static_cast<size_t>(bottom - top) * bbWidth, keepsAlpha);
        if (bottom > top)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, top, w, bottom - top, GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    FitPicture(width, height, bbWidth, bbHeight, shown);
    if (shown[2] != width || shown[3] != height) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const bool oneToOne = shown[2] == w && shown[3] == h;
    glBlitFramebuffer(0, h, w, 0, shown[0], shown[1], shown[0] + shown[2], shown[1] + shown[3],
                      GL_COLOR_BUFFER_BIT, oneToOne ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

bool SoftPresent::Show(os::Window* window, const uint32_t* argb, uint32_t bbWidth,
                       uint32_t bbHeight, const int32_t changed[4], int32_t shown[4]) {
    if (onSurface_) {
        // SDL makes the surface again after the window changed its size.
        // SDL may show the surface through a GL context of its own, made
        // current in either call.
        SDL_Surface* target = SDL_GetWindowSurface(window->Sdl());
        WindowGlContext::Forget();
        if (!target || target->w <= 0 || target->h <= 0) {
            surface_ = nullptr;
            return false;
        }
        int32_t rect[4] = {changed[0], changed[1], changed[2], changed[3]};
        DrawToSurface(argb, bbWidth, bbHeight, target, shown, rect);
        if (rect[0] < rect[2] && rect[1] < rect[3]) {
            const SDL_Rect r{rect[0], rect[1], rect[2] - rect[0], rect[3] - rect[1]};
            SDL_UpdateWindowSurfaceRects(window->Sdl(), &r, 1);
        }
        WindowGlContext::Forget();
        return true;
    }
    int dw = 0, dh = 0;
    window->GetDrawableSize(&dw, &dh);
    if (dw <= 0 || dh <= 0)
        return false;
    context_->KeepCurrent();
    // No rows at all when nothing changed: the texture holds the picture.
    const bool any = changed[0] < changed[2] && changed[1] < changed[3];
    const int32_t rows[2] = {any ? changed[1] : 0, any ? changed[3] : 0};
    Draw(argb, bbWidth, bbHeight, 0, dw, dh, shown, rows);
    SDL_GL_SwapWindow(window->Sdl());
    return true;
}

void SoftPresent::DrawToSurface(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                                SDL_Surface* target, int32_t shown[4], int32_t changed[4]) {
    const bool keepsAlpha = target->format->Amask != 0;
    FitPicture(target->w, target->h, bbWidth, bbHeight, shown);
    // FitPicture counts rows from the bottom, as GL does; the surface from the top.
    SDL_Rect place{shown[0], target->h - shown[1] - shown[3], shown[2], shown[3]};
    const bool oneToOne =
        shown[2] == static_cast<int32_t>(bbWidth) && shown[3] == static_cast<int32_t>(bbHeight);
    // The same surface, shown 1:1 the last time too, holds the last frame.
    const bool part = oneToOne && target == surface_ && target->w == surfaceSize_[0] &&
                      target->h == surfaceSize_[1];
    surface_ = target;
    surfaceSize_[0] = target->w;
    surfaceSize_[1] = target->h;
    SDL_Rect from{0, 0, static_cast<int>(bbWidth), static_cast<int>(bbHeight)};
    if (part) {
        from = {changed[0], changed[1], std::max(changed[2] - changed[0], 0),
                std::max(changed[3] - changed[1], 0)};
        place.x += from.x;
        place.y += from.y;
        changed[0] = place.x, changed[1] = place.y;
        changed[2] = place.x + from.w, changed[3] = place.y + from.h;
        if (from.w == 0 || from.h == 0)
            return;
    } else {
        changed[0] = changed[1] = 0;
        changed[2] = target->w;
        changed[3] = target->h;
    }
    // Only the rows that go are prepared.
    const size_t first = static_cast<size_t>(from.y) * bbWidth;
    const uint32_t* pixels = Prepare(argb + first, static_cast<size_t>(from.h) * bbWidth, keepsAlpha);
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), static_cast<int>(bbWidth), from.h, 32,
        static_cast<int>(bbWidth * 4), SDL_PIXELFORMAT_ARGB8888);
    if (!source)
        return;
    from.y = 0;
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    if (!part && (shown[2] != target->w || shown[3] != target->h))
        SDL_FillRect(target, nullptr, SDL_MapRGBA(target->format, 0, 0, 0, 0xFF));
    if (oneToOne)
        SDL_BlitSurface(source, &from, target, &place);
    else
        SDL_BlitScaled(source, nullptr, target, &place);
    SDL_FreeSurface(source);
}

void SoftPresent::ReadPresented(const uint32_t* argb, uint32_t bbWidth, uint32_t bbHeight,
                                uint32_t width, uint32_t height, std::vector<uint32_t>& out) {
    if (onSurface_) {
        SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(
            0, static_cast<int>(width), static_cast<int>(height), 32, SDL_PIXELFORMAT_ARGB8888);
        out.assign(static_cast<size_t>(width) * height, 0);
        if (!target)
            return;
        int32_t shown[4];
        int32_t whole[4] = {0, 0, static_cast<int32_t>(bbWidth), static_cast<int32_t>(bbHeight)};
        DrawToSurface(argb, bbWidth, bbHeight, target, shown, whole);
        surface_ = nullptr; // (not the window's)
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(&out[static_cast<size_t>(y) * width],
                        static_cast<const uint8_t*>(target->pixels) +
                            static_cast<size_t>(y) * static_cast<size_t>(target->pitch),
                        static_cast<size_t>(width) * 4);
        SDL_FreeSurface(target);
        return;
    }
    context_->MakeCurrent();
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
