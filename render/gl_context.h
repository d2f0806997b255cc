// TglContext: an OpenGL 3.3 core context a canvas draws with. Several contexts live on the
// user-interface thread (the off-screen one and a window's), so a canvas makes its context
// current before every piece of GL work; the context remembers which canvas used it last so
// that a canvas sharing it knows when to restore its own GL state.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "render/gl_program.h"
#include "scene/canvas.h"

class TglContext {
 public:
  TglContext();
  virtual ~TglContext();
  TglContext(const TglContext&) = delete;
  TglContext& operator=(const TglContext&) = delete;

  // Makes the context current unless it already is (through this class); false on failure.
  bool Activate();

  // Makes the context current on this thread; false when that fails.
  virtual bool MakeCurrent() = 0;
  // Whether the window system reports this context current on this thread.
  virtual bool IsCurrent() const = 0;

  // The canvas program, general or specialised for states (TglProgram), compiled on first
  // use in this context; nullptr when it fails. Call only with the context current.
  TglProgram* Program(const std::optional<TglProgramStates>& states = std::nullopt);
  // Frees the GL objects owned here; call with the context current, before it goes.
  void ReleaseObjects();

  // The object whose GL state the context holds now.
  const void* user = nullptr;

 private:
  // Slot 0 holds the general program, the others one per combination of states.
  static constexpr size_t kProgramSlots = 1 + 2 * 2 * 3;
  std::array<std::unique_ptr<TglProgram>, kProgramSlots> programs_;
  std::array<bool, kProgramSlots> program_failed_{};
};

// What the platform window layer hands a window canvas: its GL context and the default
// framebuffer it shows. The window layer derives from it; the canvas renders into that
// framebuffer, or into its own framebuffer object whose frame it copies there upright.
class TglWindowTarget : public TgkCanvasWindow {
 public:
  virtual TglContext* Context() = 0;
  // The framebuffer shown in the window (0 for the window system's default framebuffer).
  virtual unsigned DefaultFramebuffer() const { return 0; }
  // Shows the frame (swaps the window's buffers).
  virtual void SwapBuffers() = 0;
};
