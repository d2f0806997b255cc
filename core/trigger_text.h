// Trigger texts of animations and effects, such as "IsMouseOver=true;IsPressed=false": the
// property changes that start an animation or switch an effect, and the values the
// properties must then have. The reading is shared here; how the conditions are judged
// differs between the users on purpose and stays with each of them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TTriggerCondition {
  std::string Name;
  std::string Value;
};

// Whether the trigger text contains the property name anywhere, ignoring ASCII case: the
// quick test made before the conditions are read (an empty name is always contained).
bool TriggerMentions(std::string_view trigger, std::string_view property_name);

// The "Name=Value" parts between semicolons, in order, with blanks and tabs trimmed around
// name and value. Only the first "=" of a part divides it; parts without one are left out.
std::vector<TTriggerCondition> ParseTriggerConditions(std::string_view trigger);
