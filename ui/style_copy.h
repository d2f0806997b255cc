// Copying a style tree into a control. A copy goes through the tree's text form; a bulk
// insertion of many alike controls (a list's rows) writes that text once per tree instead of
// once per control, inside a TpmStyleTextScope.
#pragma once

class TComponent;
class TpmObject;

// While one lives, controls that take the same style tree share one text form of it. Only
// for a span in which nothing changes a style tree. Scopes nest; the outermost one owns the
// texts.
class TpmStyleTextScope {
 public:
  TpmStyleTextScope();
  ~TpmStyleTextScope();
  TpmStyleTextScope(const TpmStyleTextScope&) = delete;
  TpmStyleTextScope& operator=(const TpmStyleTextScope&) = delete;

 private:
  bool outermost_ = false;
};

// A new, unowned copy of Tree with names cleared; nullptr when it cannot be made.
TComponent* CopyStyleTree(const TpmObject& tree);
