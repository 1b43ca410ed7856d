#pragma once
// The game's one window and its event pump. The pump turns SDL events into the
// messages the game handles; mouse motion is not a message, the game reads the
// cursor position itself (where the last mouse event the pump read put it).
#include <cstdint>
#include <deque>
#include <utility>
#include <string>

struct SDL_Window;
struct SDL_Cursor;

namespace os {

// Virtual-key codes the game tests (the original platform's numbering). Letters
// are 'A'..'Z' (0x41..0x5A) and digits '0'..'9' (0x30..0x39).
namespace Vk {
enum : uint32_t {
    Back = 0x08,
    Tab = 0x09,
    Return = 0x0D,
    Shift = 0x10,
    Control = 0x11,
    Menu = 0x12,
    Pause = 0x13,
    Escape = 0x1B,
    Space = 0x20,
    Prior = 0x21,
    Next = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Insert = 0x2D,
    Delete = 0x2E,
    F1 = 0x70,
    F5 = 0x74,
    F12 = 0x7B,
};
}

enum class MessageKind {
    None,
    LButtonDown,
    LButtonUp,
    RButtonDown,
    RButtonUp,
    KeyDown, // key = virtual-key code
    Char,    // ch = character code (backspace is 8, enter 13)
    Close,
    Minimized,
    Restored,
    FocusGained,
    FocusLost,
    Resized,
};

struct Message {
    MessageKind kind = MessageKind::None;
    uint32_t key = 0;
    uint32_t ch = 0;
    int x = 0, y = 0; // cursor in back-buffer pixels at the time of the event (see GetCursorPos)
};

// Original window style words (only these two are ever set).
constexpr uint32_t kStyleWindowed = 0x10CA0000u;   // visible, caption, system menu, minimise box
constexpr uint32_t kStyleFullScreen = 0x90080000u; // pop-up, visible, system menu

// The client size a window asked to be width x height gets where the screen
// leaves it areaWidth x areaHeight (the usable display area less the window's
// frame): the size asked when it fits, else the largest smaller one of the
// same shape. An unknown area (0 or less) takes the size asked.
void FitClientSize(int width, int height, int areaWidth, int areaHeight, int* outWidth,
                   int* outHeight);

// The name the desktop knows the game's window by (its X11 class and its
// Wayland app id): the id of the game's desktop entry, so that taskbars match
// the two.
constexpr const char* kWindowClass = "io.github.glorvane.Glorvane";

class Window {
public:
    // Creates a hidden-until-shown window with a GL-capable surface (the GL 3.3
    // core context attributes are set here, before the window exists), at the
    // client size asked when the screen has room for it (see FitClientSize).
    // The player may resize and maximise it, down to 640x480 (or that shape
    // as large as the screen has room for). Returns null (and fills *error)
    // when no video driver is available.
    static Window* Create(const std::string& title, int clientWidth, int clientHeight,
                          std::string* error);
    ~Window();
    // Called after any window is gone: SDL may have shown its surface through
    // a GL context of its own, and dropping it leaves no context current.
    static void SetGoneHook(void (*hook)());
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    SDL_Window* Sdl() const { return window_; }
    // Whether the window can take a GL context (see Create).
    bool HasGl() const { return gl_; }

    // Original style words: windowed 0x10CA0000, full screen 0x90080000. A framed
    // style puts the frame back (when the window leaves full screen if it is
    // full screen); a pop-up style's frame goes with the switch to full
    // screen, which is SetFullScreen's.
    uint32_t GetStyle() const { return style_; }
    void SetStyle(uint32_t style);
    // Full screen covers the desktop at its own resolution (no mode switch); the
    // GPU back end scales its back buffer into it. Leaving it gives back the
    // window as it was before: its frame (as the style asks), and its place
    // and size or its maximised state.
    void SetFullScreen(bool on);
    bool IsFullScreen() const;
    // The client size of the game's mode, fitted to the screen as at Create. A
    // new size keeps the window centred on the desktop; the size asked last
    // time asked again keeps the size the player gave the window since.
    void SetClientSize(int w, int h);
    void GetClientSize(int* w, int* h) const;
    // Size of the GL drawable in pixels (differs from the client size on high-DPI screens).
    void GetDrawableSize(int* w, int* h) const;
    // False while the GL surface is known to differ from the client size (the
    // headless driver's surface never follows a resize).
    bool SurfaceMatchesClientSize() const;
    void SetPosition(int x, int y);
    void Show();
    // Out of the taskbar when minimised, then in front of the other windows
    // (where the desktop lets a program do so).
    void Raise();
    void SetTitle(const std::string& title);
    // The picture taskbars and window switchers show for the window (straight
    // RGBA8 rows, top first). False when the system refuses it.
    bool SetIcon(const uint8_t* rgba, int width, int height);
    bool HasIcon() const { return hasIcon_; }
    // Refreshes a second of the display the window is on; 0 when unknown.
    int RefreshRate() const;
    bool IsMinimized() const;
    // Whether the system lost some of what the window showed (it was
    // uncovered, shown again or resized) since the last call: the next
    // picture must go to it whole.
    bool TakeExposed() { return std::exchange(exposed_, false); }

    // Fetches one message; false when none is waiting.
    bool PollMessage(Message* out);
    // Blocks until a message arrives (or timeoutMs passes); false on time-out.
    bool WaitMessage(Message* out, int timeoutMs);

    // Cursor position in back-buffer pixels (client pixels mapped through the
    // mapping below). Message coordinates are mapped the same way. It follows
    // the mouse events as they are read, so a click and the pointer the next
    // frame sees always agree (SDL's own state until the first event).
    void GetCursorPos(int* x, int* y) const;

    // The GPU back end shows the back buffer scaled into the client area; it tells
    // the window how client pixels map to back-buffer pixels: bb = (client - offset) * scale,
    // and the back buffer's size: a press on the bars beside the picture is no
    // click on the game (a release still is, so a drag ends wherever it ends).
    void SetCursorMapping(float offsetX, float offsetY, float scaleX, float scaleY,
                          int pictureWidth, int pictureHeight);
    // The inverse: the client point that shows back-buffer point (x, y).
    void BackBufferToClient(float x, float y, float* cx, float* cy) const;

    // The pointer over the window: the system's, or a picture of the game's
    // (32-bit 0xAARRGGBB words, hot spot in picture pixels). A new picture
    // replaces the old one without changing which of the two shows; the
    // picture is kept while the system's pointer shows. A video driver without
    // pointer pictures (the headless one) keeps the choice but shows nothing.
    void SetCursorPicture(const uint32_t* argb, int width, int height, int pitchBytes, int hotX,
                          int hotY);
    void ShowCursorPicture(bool on);
    // The game's picture is the pointer (one was given and it is switched on).
    bool ShowsCursorPicture() const { return hasPicture_ && pictureOn_; }

private:
    Window() = default;
    // Queues the messages one SDL event stands for (a key can give KeyDown and Char).
    void Translate(const void* sdlEvent);
    void Map(int cx, int cy, int* x, int* y) const;
    void ApplyCursor();
    void ApplyFrame();
    SDL_Window* window_ = nullptr;
    SDL_Cursor* picture_ = nullptr;
    SDL_Cursor* systemCursor_ = nullptr; // SDL's own, never freed by us
    bool hasPicture_ = false;
    bool pictureOn_ = false;
    uint32_t windowId_ = 0;
    uint32_t style_ = kStyleWindowed;
    float mapOffsetX_ = 0, mapOffsetY_ = 0, mapScaleX_ = 1, mapScaleY_ = 1;
    int pictureWidth_ = 0, pictureHeight_ = 0; // 0: not shown yet
    int askedWidth_ = 0, askedHeight_ = 0;
    // The windowed state full screen gives back (no size: none saved yet).
    int restoreX_ = 0, restoreY_ = 0, restoreWidth_ = 0, restoreHeight_ = 0;
    bool restoreMaximized_ = false;
    std::deque<Message> pending_;
    int cursorX_ = 0, cursorY_ = 0; // client pixels
    bool cursorSeen_ = false;
    bool quitFollowsClose_ = false;
    bool exposed_ = true;
    bool fixedSurface_ = false;
    bool frameless_ = false; // the headless drivers draw no frame
    bool gl_ = false;
    bool hasIcon_ = false;
    int surfaceWidth_ = 0, surfaceHeight_ = 0;
};

} // namespace os
