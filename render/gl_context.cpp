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

TglProgram* TglContext::Program() {
  if (!program_ && !program_failed_) {
    try {
      program_ = std::make_unique<TglProgram>();
    } catch (const std::runtime_error&) {
      program_failed_ = true;
    }
  }
  return program_.get();
}

void TglContext::ReleaseObjects() {
  program_.reset();
  user = nullptr;
}
