#include "core/trigger_text.h"

#include "core/text_helpers.h"

namespace {

std::string Trimmed(std::string_view s) {
  return std::string(TrimChars(s, " \t"));
}

}  // namespace

bool TriggerMentions(std::string_view trigger, std::string_view property_name) {
  return LowerCase(trigger).find(LowerCase(property_name)) != std::string::npos;
}

std::vector<TTriggerCondition> ParseTriggerConditions(std::string_view trigger) {
  std::vector<TTriggerCondition> conditions;
  std::string_view rest = trigger;
  while (!rest.empty()) {
    const size_t semi = rest.find(';');
    const std::string_view part = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    const size_t eq = part.find('=');
    if (eq == std::string_view::npos) continue;
    conditions.push_back({Trimmed(part.substr(0, eq)), Trimmed(part.substr(eq + 1))});
  }
  return conditions;
}
