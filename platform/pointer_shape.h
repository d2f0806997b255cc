// The shapes the pointer takes over the window.
#pragma once

enum class TPointerShape {
  Arrow,
  Hand,  // over a link
  Busy,  // work under way in the background; the window still answers
};
