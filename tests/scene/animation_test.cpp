#include "scene/animation.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "core/property_registry.h"
#include "imaging/bitmap.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "scene/visual_object.h"
#include "tests/scene/content_test_host.h"

// Objects with a few published properties of every kind an animation can drive.
class TAnimOffset : public TPersistent {
  FM_CLASS(TAnimOffset, TPersistent)
 public:
  float y = 0;
};

class TAnimTarget : public TgkObject {
  FM_CLASS(TAnimTarget, TgkObject)
 public:
  using TgkObject::TgkObject;
  float level = 0;
  int writes = 0;
  bool mouse_over = false;
  bool pressed = false;
  uint32_t tint = 0;
  std::string tint_text = "#00000000";
  TAnimOffset offset;
  void SetLevel(float v) {
    level = v;
    ++writes;
  }
};

class TAnimHoverOnly : public TgkObject {
  FM_CLASS(TAnimHoverOnly, TgkObject)
 public:
  using TgkObject::TgkObject;
  bool mouse_over = false;
};

FM_REGISTER_CLASS(TAnimOffset) {
  c.Float("Y", &TAnimOffset::y, &TAnimOffset::y);
}
FM_REGISTER_CLASS(TAnimTarget) {
  c.Float("Level", &TAnimTarget::level, &TAnimTarget::SetLevel);
  c.Boolean("IsMouseOver", &TAnimTarget::mouse_over, &TAnimTarget::mouse_over);
  c.Boolean("IsPressed", &TAnimTarget::pressed, &TAnimTarget::pressed);
  c.Color("Tint", &TAnimTarget::tint, &TAnimTarget::tint, &ColorToString, &StringToColor);
  c.String("TintText", &TAnimTarget::tint_text, &TAnimTarget::tint_text);
  c.Object<TAnimOffset>("Offset",
                        [](const TAnimTarget& t) -> const TAnimOffset& { return t.offset; });
}
FM_REGISTER_CLASS(TAnimHoverOnly) {
  c.Boolean("IsMouseOver", &TAnimHoverOnly::mouse_over, &TAnimHoverOnly::mouse_over);
}

namespace {

class Animations : public ::testing::Test {
 protected:
  void SetUp() override {
    DefaultTimerService().SetClock(clock);
    target = std::make_unique<TAnimTarget>();
    target->SetRootOf(&host);
  }
  void TearDown() override {
    target.reset();
    DefaultTimerService().SetClock(SystemClock());
  }

  // A float animation of target, owned by it.
  TgkFloatAnimation* Float(const std::string& path, float start, float stop, float duration) {
    auto* a = new TgkFloatAnimation(target.get());
    a->SetParent(target.get());
    a->SetPropertyName(path);
    a->SetStartValue(start);
    a->SetStopValue(stop);
    a->SetDuration(duration);
    a->OnFinish = [this](TPersistent*) { ++finished; };
    return a;
  }
  void RunUntilStopped(TgkAnimation* a) {
    DefaultTimerService().RunUntil([&] { return !a->Running(); });
  }

  TFakeClock clock{5000};
  TContentTestHost host;
  std::unique_ptr<TAnimTarget> target;
  int finished = 0;
};

}  // namespace

TEST_F(Animations, RunOnTheSixteenMillisecondTimerAndFinishExactlyAtTheStopValue) {
  TgkFloatAnimation* a = Float("Level", 10, 20, 0.2f);
  a->Start();
  EXPECT_TRUE(a->Running());
  EXPECT_TRUE(a->Scheduled());
  EXPECT_EQ(target->level, 10);
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5016 && target->writes >= 2; });
  EXPECT_EQ(clock.NowMs(), 5016);
  EXPECT_NEAR(target->level, 10 + 10 * 0.016f / 0.2f, 1e-4);
  RunUntilStopped(a);
  // 13 ticks: the 13th passes 0.2 s and is clamped to it.
  EXPECT_EQ(clock.NowMs(), 5000 + 13 * 16);
  EXPECT_EQ(target->level, 20);
  EXPECT_EQ(a->CurrentTime(), 0.2f);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(a->Scheduled());
  EXPECT_EQ(DefaultTimerService().TimeoutMs(), -1);  // an idle timer does not wake the loop
}

TEST_F(Animations, ZeroDurationJumpsToTheEndInsideStart) {
  TgkFloatAnimation* a = Float("Level", 0, 7, 0);
  a->Start();
  EXPECT_EQ(target->level, 7);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(a->Running());
  EXPECT_FALSE(a->Scheduled());
  EXPECT_EQ(a->Duration(), 0);

  a->SetInverse(true);
  a->Start();
  EXPECT_EQ(target->level, 0);
  EXPECT_EQ(finished, 2);
}

TEST_F(Animations, LoopJumpsBackAndKeepsRunning) {
  TgkFloatAnimation* a = Float("Level", 1, 2, 0.1f);
  a->SetLoop(true);
  a->Start();
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5000 + 6 * 16; });
  EXPECT_NEAR(target->level, 1.96f, 1e-4);  // 0.096 s of 0.1 s
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5000 + 7 * 16; });
  EXPECT_EQ(target->level, 1);  // passed the end: back to the start value
  EXPECT_TRUE(a->Running());
  EXPECT_EQ(finished, 0);
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5000 + 20 * 16; });
  EXPECT_TRUE(a->Running());
  EXPECT_EQ(finished, 0);
  a->Stop();
  EXPECT_EQ(target->level, 2);
  EXPECT_EQ(finished, 1);
}

TEST_F(Animations, InverseRunsFromStopToStart) {
  TgkFloatAnimation* a = Float("Level", 0, 100, 0.05f);
  a->SetInverse(true);
  a->Start();
  EXPECT_EQ(target->level, 100);
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5016; });
  EXPECT_NEAR(target->level, 68, 1e-3);
  RunUntilStopped(a);
  EXPECT_EQ(target->level, 0);
  EXPECT_EQ(clock.NowMs(), 5000 + 4 * 16);
  EXPECT_EQ(finished, 1);
}

TEST_F(Animations, AppendAndSubtractCombineWithTheValueAtTheStart) {
  target->offset.y = 5;
  TgkFloatAnimation* a = Float("Offset.Y", 0, 3, 0.032f);
  a->SetFunc(pqAnimationAppend);
  a->Start();
  RunUntilStopped(a);
  EXPECT_EQ(target->offset.y, 8);
  // A second run starts from the new value.
  a->SetFunc(pqAnimationSubtract);
  a->Start();
  RunUntilStopped(a);
  EXPECT_EQ(target->offset.y, 5);
}

TEST_F(Animations, ObjectsOutsideAnySceneAreNotAdvanced) {
  TAnimTarget loose;
  auto* a = new TgkFloatAnimation(&loose);
  a->SetParent(&loose);
  a->SetPropertyName("Level");
  a->SetStopValue(4);
  a->Start();
  EXPECT_TRUE(a->Running());
  EXPECT_FALSE(a->Scheduled());
  EXPECT_EQ(loose.level, 0);
  a->Stop();
  EXPECT_EQ(loose.level, 4);
}

TEST_F(Animations, InvisibleParentsBlockStartAndStopARunningAnimationOnce) {
  TgkVisualObject panel;
  panel.SetRootOf(&host);
  auto* a = new TgkFloatAnimation(&panel);
  a->SetParent(&panel);
  a->SetPropertyName("Opacity");
  a->SetStartValue(1);
  a->SetStopValue(0);
  a->SetDuration(1);
  a->OnFinish = [&](TPersistent*) {
    ++finished;
    delete a;  // as AnimateFloat's animations do
  };
  panel.SetVisible(false);
  a->Start();
  EXPECT_FALSE(a->Running());
  EXPECT_EQ(panel.Opacity(), 1);

  panel.SetVisible(true);
  a->Start();
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5032; });
  EXPECT_LT(panel.Opacity(), 1);
  panel.SetVisible(false);
  DefaultTimerService().RunUntil([&] { return finished > 0; });
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(panel.Opacity(), 0);
  EXPECT_EQ(panel.ChildrenCount(), 0);
  EXPECT_EQ(ScheduledAnimationCount(), 0u);
}

TEST_F(Animations, FreeingARunningAnimationTakesItOffTheTimer) {
  TgkFloatAnimation* a = Float("Level", 0, 1, 1);
  a->Start();
  ASSERT_EQ(ScheduledAnimationCount(), 1u);
  delete a;
  EXPECT_EQ(ScheduledAnimationCount(), 0u);
  EXPECT_EQ(target->ChildrenCount(), 0);
  clock.Advance(100);
  DefaultTimerService().ProcessDue();
}

TEST_F(Animations, UnknownPathsWriteNothing) {
  TgkFloatAnimation* a = Float("Nope.Y", 0, 1, 0.016f);
  a->Start();
  RunUntilStopped(a);
  TgkFloatAnimation* b = Float("IsPressed", 0, 1, 0);  // not a float property
  b->Start();
  EXPECT_FALSE(target->pressed);
  EXPECT_EQ(target->writes, 0);
  EXPECT_EQ(finished, 2);
}

TEST_F(Animations, TriggersCompareEveryEnumeratedPairTheInstanceHas) {
  TgkFloatAnimation* a = Float("Level", 0, 1, 0);
  a->SetTrigger("IsMouseOver=true;IsPressed=false");
  target->mouse_over = true;
  a->StartTrigger(target.get(), "IsMouseOver");
  EXPECT_EQ(finished, 1);
  target->pressed = true;
  a->StartTrigger(target.get(), "ismouseover");
  EXPECT_EQ(finished, 1);  // IsPressed does not match
  a->StartTrigger(target.get(), "IsFocused");
  EXPECT_EQ(finished, 1);  // not this trigger
  // An instance without IsPressed compares only IsMouseOver.
  TAnimHoverOnly hover;
  hover.mouse_over = true;
  a->StartTrigger(&hover, "IsMouseOver");
  EXPECT_EQ(finished, 2);
  hover.mouse_over = false;
  a->StartTrigger(&hover, "IsMouseOver");
  EXPECT_EQ(finished, 2);
  // Nothing compared: no start.
  a->SetTrigger("IsMouseOver=true");
  TgkObject plain;
  a->StartTrigger(&plain, "IsMouseOver");
  EXPECT_EQ(finished, 2);
  EXPECT_TRUE(a->IsTriggered());
}

TEST_F(Animations, ColourAnimationsWriteColourIntegerAndTextProperties) {
  auto* a = new TgkColorAnimation(target.get());
  a->SetParent(target.get());
  a->SetPropertyName("Tint");
  a->SetStartValue(0xFF000000);
  a->SetStopValue(0xFF0000FF);
  a->SetDuration(0.032f);
  a->Start();
  EXPECT_EQ(target->tint, 0xFF000000u);
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5016; });
  EXPECT_EQ(target->tint, 0xFF00007Fu);  // channels truncate
  DefaultTimerService().RunUntil([&] { return !a->Running(); });
  EXPECT_EQ(target->tint, 0xFF0000FFu);

  a->SetPropertyName("TintText");
  target->tint_text = "#10203040";
  a->SetFunc(pqAnimationAppend);
  a->SetStartValue(0x10101010);
  a->SetStopValue(0xF0101010);
  a->SetDuration(0);
  a->Start();
  EXPECT_EQ(target->tint_text, "#FF304050");  // alpha saturates
  EXPECT_EQ(GetPropText(*a, "StartValue"), "#10101010");
}

TEST_F(Animations, AnimateFloatReplacesARunningAnimationOfTheSameProperty) {
  target->AnimateFloat("Level", 10, 0.5f);
  ASSERT_EQ(target->ChildrenCount(), 1);
  DefaultTimerService().RunUntil([&] { return clock.NowMs() >= 5048; });
  EXPECT_GT(target->level, 0);
  target->AnimateFloat("level", -10, 0.1f);
  // The first one was stopped (jumping to its end) and freed.
  ASSERT_EQ(target->ChildrenCount(), 1);
  auto* second = dynamic_cast<TgkFloatAnimation*>(target->GetChild(0));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->StartValue(), 10);
  DefaultTimerService().RunUntil([&] { return target->ChildrenCount() == 0; });
  EXPECT_EQ(target->level, -10);
  EXPECT_EQ(ScheduledAnimationCount(), 0u);
}

TEST_F(Animations, AnimateFloatWaitKeepsTheLoopRunningUntilTheEnd) {
  TTimer other(DefaultTimerService());
  int other_ticks = 0;
  other.SetInterval(25);
  other.SetOnTimer([&](TTimer&) { ++other_ticks; });
  target->offset.y = 1;
  target->AnimateFloatWait("Offset.Y", 3, 0.5f);
  EXPECT_EQ(target->offset.y, 3);
  EXPECT_EQ(target->ChildrenCount(), 0);
  EXPECT_GE(clock.NowMs(), 5500);
  EXPECT_LT(clock.NowMs(), 5500 + 16 + 1);
  EXPECT_GE(other_ticks, 19);  // other timers fired meanwhile

  // Nothing would advance an animation outside any scene: it ends at once.
  TAnimTarget loose;
  loose.AnimateFloatWait("Level", 9, 10);
  EXPECT_EQ(loose.level, 9);
  EXPECT_EQ(loose.ChildrenCount(), 0);
}

TEST_F(Animations, AWaitInsideAnAnimationTickEndsAtOnce) {
  // A window's loop: with no timer pending it would sleep until the next input event.
  int waits_for_input = 0;
  DefaultTimerService().SetEventPump([&](int64_t timeout) {
    if (timeout < 0 && ++waits_for_input > 50) throw std::runtime_error("waiting for ever");
    clock.Advance(timeout < 0 ? 16 : timeout);
  });
  TgkFloatAnimation* a = Float("Level", 0, 1, 0.05f);
  bool waited = false;
  a->OnFinish = [&](TPersistent*) {
    // Called from the animation timer's tick, which cannot tick again until it returns.
    target->AnimateFloatWait("Offset.Y", 4, 1);
    waited = true;
  };
  a->Start();
  DefaultTimerService().RunUntil([&] { return waited; });
  DefaultTimerService().SetEventPump(nullptr);
  EXPECT_EQ(target->offset.y, 4);
  EXPECT_EQ(waits_for_input, 0);
  EXPECT_LT(clock.NowMs(), 5000 + 100);
}

TEST_F(Animations, PublishedPropertiesWithTheirDefaults) {
  TgkFloatAnimation f;
  EXPECT_EQ(GetPropText(f, "Duration"), "0.2");
  EXPECT_EQ(GetPropText(f, "Func"), "pqAnimationReplace");
  EXPECT_EQ(GetFloatProp(f, "StopValue"), 1);
  SetPropText(f, "Func", "pqAnimationSubtract");
  EXPECT_EQ(f.Func(), pqAnimationSubtract);
  TgkColorAnimation c;
  EXPECT_EQ(GetPropText(c, "StopValue"), "#FFFFFFFF");
}
