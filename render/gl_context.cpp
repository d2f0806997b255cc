#include "render/gl_context.h"

#include <stdexcept>

#include "render/gl_program.h"

namespace {
const TglContext* g_current = nullptr;
}

TglContext::TglContext() = default;

TglContext::~TglContext() {
  if (g_current == this) g_current = nullptr;
}

bool TglContext::Activate() {
  if (g_current == this && IsCurrent()) return true;
  if (!MakeCurrent()) return false;
  g_current = this;
  return true;
}

TglProgram* TglContext::Program(const std::optional<TglProgramStates>& states) {
  if (states && (states->tex_mode < 0 || states->tex_mode > 2)) return nullptr;
  const size_t slot = states ? 1 + static_cast<size_t>((states->lit ? 6 : 0) +
                                                       (states->flat ? 3 : 0) + states->tex_mode)
                             : 0;
  if (!programs_[slot] && !program_failed_[slot]) {
    try {
      programs_[slot] = std::make_unique<TglProgram>(states);
    } catch (const std::runtime_error&) {
      program_failed_[slot] = true;
    }
  }
  return programs_[slot].get();
}

void TglContext::ReleaseObjects() {
  for (auto& program : programs_) program.reset();
  user = nullptr;
}
