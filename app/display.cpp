// Display and frame presentation: display set-up, PresentFrame and the window procedure.
#include "app/display.h"

#include <cstring>
#include <memory>

#include "app/demo.h"
#include "platform/display_switches.h"
#include "app/music.h"
#include "app/viewer_controls.h"
#include "core/exit_codes.h"
#include "core/fatal_error.h"
#include "core/frame_buffer.h"
#include "image/flash_limiter.h"

namespace {

constexpr int32_t ModeWidth = kBuiltDisplayMode.width;
constexpr int32_t ModeHeight = kBuiltDisplayMode.height;
constexpr int32_t PictureLeft = kBuiltDisplayMode.pictureLeft;
constexpr int32_t PictureTop = kBuiltDisplayMode.pictureTop;

// Clears the mode's pixels of the back buffer, limited to what the lock handed out.
void ClearBackBuffer(const platform::LockedBuffer& locked) {
  const int32_t rows = locked.height < ModeHeight ? locked.height : ModeHeight;
  const int32_t columns = locked.width < ModeWidth ? locked.width : ModeWidth;
  uint8_t* row = reinterpret_cast<uint8_t*>(locked.pixels);
  for (int32_t y = 0; y < rows; ++y, row += locked.pitch)
    std::memset(row, 0, static_cast<size_t>(columns) * 4);
}

// Copies the picture into the mode's surface. The surface must hold the picture's
// rectangle (a smaller one is left alone); rows are placed by the reported pitch, which
// is the mode's width times 4 on every backend so far, and then the copy is one block.
void CopyFullScreen(const uint32_t* frame, const platform::LockedBuffer& locked) {
  if (locked.width < PictureLeft + kFrameWidth || locked.height < PictureTop + kFrameHeight)
    return;
  uint8_t* destination = reinterpret_cast<uint8_t*>(locked.pixels) +
                         static_cast<ptrdiff_t>(PictureTop) * locked.pitch + PictureLeft * 4;
  if (PictureLeft == 0 && locked.pitch == kFrameWidth * 4) {
    std::memcpy(destination, frame, kFrameBytes);
    return;
  }
  for (int32_t y = 0; y < kFrameHeight; ++y, destination += locked.pitch, frame += kFrameWidth)
    std::memcpy(destination, frame, kFrameWidth * 4);
}

// Copies the picture to the client area's place on the desktop surface. Rows below the
// desktop's bottom minus 30 end the copy, rows above the top are skipped, and pixels outside
// the desktop's width are not written. On top of that nothing outside the locked surface is
// ever written, whatever the desktop rectangle says.
void CopyWindowed(const uint32_t* frame, const platform::LockedBuffer& locked) {
  const platform::ScreenRectangle desktop = platform::DesktopArea();
  int32_t originX = 0;
  int32_t originY = 0;
  platform::ClientAreaOrigin(MainWindow, &originX, &originY);
  const int32_t stride = locked.pitch / 4;  // truncates toward zero, like the pitch division
  const int32_t right = desktop.right < locked.width ? desktop.right : locked.width;
  for (int32_t row = 0; row < kFrameHeight; ++row, frame += kFrameWidth) {
    const int32_t y = originY + row;
    if (y > desktop.bottom - 30) break;
    if (y < 0 || y >= locked.height) continue;
    uint32_t* destination = locked.pixels + static_cast<ptrdiff_t>(stride) * y;
    int32_t first = originX < 0 ? -originX : 0;
    int32_t last = right - originX;  // one past the last column written
    if (last > kFrameWidth) last = kFrameWidth;
    for (int32_t column = first; column < last; ++column)
      destination[originX + column] = frame[column];
  }
}

}  // namespace

platform::WindowHandle MainWindow = 0;

namespace {
std::unique_ptr<FlashLimiter> TheFlashLimiter;  // the reduced-flashing mode, when on
}  // namespace

void SetFlashLimit(int32_t framesPerSecond) {
  TheFlashLimiter = framesPerSecond > 0 ? std::make_unique<FlashLimiter>(kFrameWidth, kFrameHeight, framesPerSecond)
                                        : nullptr;
}

void CloseWindowAndShowError(const char* utf8Message) {
  // The box has no owner: the window is gone before it appears.
  if (MainWindow) {
    platform::RemoveWindow(MainWindow);
    MainWindow = 0;
  }
  platform::ShowErrorBox(utf8Message, "FATAL ERROR");
}

void InitDirectDraw() {
  if (!platform::OpenDisplay()) FatalError("impossible de poser le ddraw!!\n");
  if (!platform::TakeScreen(MainWindow, FullScreen != 0))
    FatalError("impossible de poser le SetCooperativeLevel!!\n");
  if (FullScreen && !platform::ChooseScreenMode(ModeWidth, ModeHeight, 32))
    FatalError("impossible de poser le fullscreen!!\n");
  if (PageFlip == 1) {
    if (!platform::CreateScreenBuffers(true)) FatalError("impossible de poser le CreateSurface!!\n");
    if (!platform::AttachBackBuffer()) FatalError("impossible de poser le CreateSurface!!\n");
    // The only clear of any surface: the borders around the picture stay black for good.
    platform::LockedBuffer locked;
    if (platform::LockBuffer(platform::ScreenBuffer::BackBuffer, &locked)) {
      ClearBackBuffer(locked);
      platform::UnlockBuffer(platform::ScreenBuffer::BackBuffer);
    }
  } else {
    if (!platform::CreateScreenBuffers(false)) FatalError("impossible de poser le CreateSurface!!\n");
  }
}

void EndOnQuit(int32_t exitCode) {
  MusicShutdown();
  platform::RemoveWindow(MainWindow);
  MainWindow = 0;
  EndProcess(exitCode);
}

void PresentFrame(const uint32_t* frame) {
  platform::InputEvent message;
  if (platform::TakeEvent(&message)) {
    if (message.kind == platform::InputEventKind::Quit) EndOnQuit(message.exitCode);
    WindowProc(MainWindow, message);
  }
  if (TheFlashLimiter) frame = TheFlashLimiter->Apply(frame);
  platform::LockedBuffer locked;
  if (FullScreen && PageFlip == 1) {
    if (platform::LockBuffer(platform::ScreenBuffer::BackBuffer, &locked)) {
      CopyFullScreen(frame, locked);
      platform::UnlockBuffer(platform::ScreenBuffer::BackBuffer);
    }
    platform::ShowBackBuffer();
  } else if (FullScreen) {
    if (platform::LockBuffer(platform::ScreenBuffer::Primary, &locked)) {
      CopyFullScreen(frame, locked);
      platform::UnlockBuffer(platform::ScreenBuffer::Primary);
    }
  } else {
    if (platform::LockBuffer(platform::ScreenBuffer::Primary, &locked)) {
      CopyWindowed(frame, locked);
      platform::UnlockBuffer(platform::ScreenBuffer::Primary);
    }
  }
  HoldWhilePaused();  // a pause begins once the frame it was asked in is on the screen
}

void WindowProc(platform::WindowHandle window, const platform::InputEvent& message) {
  switch (message.kind) {
    case platform::InputEventKind::Close:
      platform::RequestQuit(kExitNormal);  // the window is destroyed by the shut-down, not here
      return;
    case platform::InputEventKind::KeyDown:
      if (message.key == platform::InputKey::Return) {
        if (TheDemo) TheDemo->ScreenGrab();
      } else if (message.key == platform::InputKey::Escape) {
        platform::RequestQuit(kExitNormal);
      } else {
        ViewerKey(message.key);
      }
      return;  // other keys: nothing, not even the default handling
    default:
      platform::PassEventOn(window, message);
      return;
  }
}
