#include "ui/style_copy.h"

#include <string>
#include <unordered_map>

#include "core/component_stream.h"
#include "ui/vector_object.h"

namespace {

// The texts of the outermost living scope, by style tree; null when none lives.
std::unordered_map<const TComponent*, std::string>* g_style_texts = nullptr;

}  // namespace

TpmStyleTextScope::TpmStyleTextScope() {
  if (g_style_texts) return;
  g_style_texts = new std::unordered_map<const TComponent*, std::string>();
  outermost_ = true;
}

TpmStyleTextScope::~TpmStyleTextScope() {
  if (!outermost_) return;
  delete g_style_texts;
  g_style_texts = nullptr;
}

TComponent* CopyStyleTree(const TpmObject& tree) {
  if (!g_style_texts) return CloneObject(tree, nullptr);
  auto [it, added] = g_style_texts->try_emplace(&tree);
  if (added) {
    try {
      it->second = CloneText(tree);
    } catch (...) {
      g_style_texts->erase(it);
      return nullptr;
    }
  }
  return CloneFromText(it->second, tree, nullptr);
}
