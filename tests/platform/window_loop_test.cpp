// The event loop: coalesced frames and resizes, waiting instead of spinning, posted calls,
// nested loops and the error report that keeps the loop alive.
#include <EGL/egl.h>

#include <stdexcept>

#include "tests/platform/window_fixture.h"

TEST_F(WindowTest, WindowHasTheAskedSizeTitleAndACoreContext) {
  EXPECT_EQ(window_->Title(), "Facetmint");
  window_->SetTitle("Icons");
  EXPECT_EQ(window_->Title(), "Icons");
  EXPECT_EQ(window_->Width(), 320);
  EXPECT_EQ(window_->Height(), 200);
  EXPECT_EQ(window_->DrawableWidth(), 320);
  EXPECT_EQ(window_->DrawableHeight(), 200);
  ASSERT_TRUE(window_->HasGlContext());
  EXPECT_TRUE(window_->MakeCurrent());
  int major = 0, minor = 0, profile = 0;
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
  SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
  EXPECT_GE(major * 10 + minor, 33);
  EXPECT_EQ(profile, SDL_GL_CONTEXT_PROFILE_CORE);
  window_->SetMinimumSize(200, 150);
  int mw = 0, mh = 0;
  window_->MinimumSize(mw, mh);
  EXPECT_EQ(mw, 200);
  EXPECT_EQ(mh, 150);
}

TEST_F(WindowTest, ManyRepaintRequestsInOneTurnGiveOneFrame) {
  int frames = 0;
  window_->OnPaint = [&] { ++frames; };
  for (int i = 0; i < 10; ++i) window_->Invalidate();
  loop_->ProcessPending();
  EXPECT_EQ(frames, 1);
  loop_->ProcessPending();
  EXPECT_EQ(frames, 1) << "no request, no frame";
  window_->Invalidate();
  loop_->ProcessPending();
  EXPECT_EQ(frames, 2);
}

TEST_F(WindowTest, SizeChangesInOneTurnGiveOneResizeThenOneFrame) {
  std::vector<std::string> log;
  window_->OnResize = [&](int w, int h) {
    log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
  };
  window_->OnPaint = [&] { log.push_back("paint"); };
  window_->SetSize(400, 300);
  window_->SetSize(640, 480);
  window_->SetSize(500, 350);
  loop_->ProcessPending();
  loop_->ProcessPending();
  ASSERT_EQ(log.size(), 2u) << ::testing::PrintToString(log);
  EXPECT_EQ(log[0], "resize 500x350");
  EXPECT_EQ(log[1], "paint");
}

TEST_F(WindowTest, AnIdleLoopWaitsForTheNextTimerInsteadOfSpinning) {
  int ticks = 0;
  TTimer timer(timers_);
  timer.SetInterval(25);
  timer.SetOnTimer([&](TTimer&) { ++ticks; });
  const auto before = loop_->Turns();
  loop_->RunUntil([&] { return ticks >= 4; });
  // One wait per tick (plus the odd early wake-up); polling would take ~100 turns.
  EXPECT_LE(loop_->Turns() - before, 10u);
  EXPECT_GE(loop_->Turns() - before, 4u);
}

TEST_F(WindowTest, PostedCallsRunInALaterTurnInOrder) {
  std::vector<int> order;
  loop_->Post([&] {
    order.push_back(1);
    loop_->Post([&] { order.push_back(3); });
  });
  loop_->Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());
  loop_->ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  loop_->ProcessPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(WindowTest, AnExceptionFromAnyHandlerIsReportedAndTheLoopCarriesOn) {
  window_->OnInput = [&](const TInputEvent& e) {
    if (e.kind == TInputKind::MouseDown) throw std::runtime_error("the press failed");
    inputs_.push_back(e);
  };
  window_->OnPaint = [] { throw std::runtime_error("the frame failed"); };
  int ticks = 0;
  TTimer timer(timers_);
  timer.SetInterval(5);
  timer.SetOnTimer([&](TTimer&) {
    if (++ticks == 1) throw std::invalid_argument("the tick failed");
  });
  loop_->Post([] { throw std::runtime_error("the call failed"); });
  PushButton(true, SDL_BUTTON_LEFT, 5, 5);
  PushMotion(6, 6);
  window_->Invalidate();
  loop_->RunUntil([&] { return ticks >= 3; });
  EXPECT_EQ(ticks, 3) << "the timer keeps running after its handler threw";
  ASSERT_EQ(inputs_.size(), 1u) << "the move after the failed press still arrives";
  EXPECT_EQ(inputs_[0].kind, TInputKind::MouseMove);
  std::vector<std::string> want = {"the press failed", "the call failed", "the frame failed",
                                   "the tick failed"};
  EXPECT_EQ(errors_, want);
}

TEST_F(WindowTest, ANestedLoopKeepsInputTimersAndFramesGoing) {
  int frames = 0, fast_ticks = 0;
  window_->OnPaint = [&] { ++frames; };
  TTimer fast(timers_);
  fast.SetInterval(5);
  fast.SetOnTimer([&](TTimer&) { ++fast_ticks; });
  bool nested_done = false;
  size_t inputs_in_nested = 0;
  TTimer outer(timers_);
  outer.SetInterval(1);
  outer.SetOnTimer([&](TTimer& t) {
    t.SetEnabled(false);
    PushMotion(50, 60);
    window_->Invalidate();
    const int start = fast_ticks;
    // The way an animation waits for its end: on the timer service itself.
    timers_.RunUntil([&] { return fast_ticks >= start + 3; });
    inputs_in_nested = inputs_.size();
    nested_done = true;
  });
  loop_->RunUntil([&] { return nested_done; });
  EXPECT_EQ(inputs_in_nested, 1u);
  EXPECT_EQ(frames, 1);
}

TEST_F(WindowTest, ClosingEndsTheLoopUnlessTheWindowDecidesOtherwise) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  loop_->Run();  // returns: the default close quits
  EXPECT_TRUE(loop_->QuitRequested());
  loop_->ResetQuit();
  int asked = 0;
  window_->OnClose = [&] { ++asked; };
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  loop_->ProcessPending();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(loop_->QuitRequested());
}

TEST_F(WindowTest, ASecondLoopIsRefused) {
  TTimerService other;
  EXPECT_THROW(TEventLoop second(other), std::logic_error);
  EXPECT_EQ(TEventLoop::Current(), loop_.get());
}

TEST(ShellTest, ErrorReportCarriesTheMessageAndSurvivesAFailingReporter) {
  std::string seen;
  auto previous = SetErrorReporter([&](const std::string& m) { seen = m; });
  ReportException(std::make_exception_ptr(std::runtime_error("Disk full")));
  EXPECT_EQ(seen, "Disk full");
  ReportException(std::make_exception_ptr(42));
  EXPECT_EQ(seen, "Unknown error");
  SetErrorReporter([](const std::string&) { throw std::runtime_error("no box"); });
  EXPECT_NO_THROW(ReportException(std::make_exception_ptr(std::runtime_error("x"))));
  EXPECT_FALSE(RunReportingErrors([] { throw std::runtime_error("y"); }));
  EXPECT_TRUE(RunReportingErrors([] {}));
  SetErrorReporter(previous);
  EXPECT_FALSE(ShellOpen(""));
}

TEST_F(WindowTest, MakeCurrentWinsBackAContextSwitchedBehindTheLibrarysBack) {
  TWindowOptions options;
  options.visible = false;
  TWindow other(*loop_, options);
  ASSERT_TRUE(other.MakeCurrent());
  EGLDisplay display = eglGetCurrentDisplay();
  EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
  EGLContext context = eglGetCurrentContext();
  ASSERT_TRUE(window_->MakeCurrent());
  EXPECT_TRUE(window_->IsCurrent());
  EXPECT_FALSE(other.IsCurrent());
  // What an off-screen renderer does with its own context.
  ASSERT_TRUE(eglMakeCurrent(display, surface, surface, context));
  EXPECT_FALSE(window_->IsCurrent());
  EXPECT_TRUE(window_->MakeCurrent());
  EXPECT_TRUE(window_->IsCurrent());
}
