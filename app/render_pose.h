// The pose of the model while the icons are rendered: twice its viewport size, the selected
// mesh drawn solid. Put back however the render ends.
#pragma once

class TgkDummy;
class TgkShape;

class TRenderPose {
 public:
  // selected may be null.
  TRenderPose(TgkDummy& owner, TgkShape* selected);
  ~TRenderPose();
  TRenderPose(const TRenderPose&) = delete;
  TRenderPose& operator=(const TRenderPose&) = delete;

 private:
  TgkDummy& owner_;
  TgkShape* selected_;
};
