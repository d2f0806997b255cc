// Path data: the text form, its errors, bounds and fitting a path to a rectangle.
#include <gtest/gtest.h>

#include "imaging/path_data.h"

TEST(PathData, ParsesCommandsAndWritesThemBack) {
  TpmPathData path("M 0,0 L 10,0 C 10,5 5,10 0,10 Z");
  ASSERT_EQ(path.Items().size(), 4u);
  EXPECT_EQ(path.Items()[0].Kind, pqPathMoveTo);
  EXPECT_EQ(path.Items()[1].Kind, pqPathLineTo);
  EXPECT_EQ(path.Items()[1].Points[0], (TpmPoint{10, 0}));
  EXPECT_EQ(path.Items()[2].Kind, pqPathCurveTo);
  EXPECT_EQ(path.Items()[2].Points[1], (TpmPoint{5, 10}));
  EXPECT_EQ(path.Items()[2].Points[2], (TpmPoint{0, 10}));
  EXPECT_EQ(path.Items()[3].Kind, pqPathClose);
  EXPECT_EQ(path.Data(), "M 0,0 L 10,0 C 10,5 5,10 0,10 Z");
  TpmPathData again(path.Data());
  EXPECT_EQ(again.Data(), path.Data());
  // Compact writing, signs, exponents; pairs after a move are lines.
  TpmPathData compact("M-1.5,2e1 3,4L+5 6z");
  ASSERT_EQ(compact.Items().size(), 4u);
  EXPECT_EQ(compact.Items()[0].Points[0], (TpmPoint{-1.5f, 20}));
  EXPECT_EQ(compact.Items()[1].Kind, pqPathLineTo);
  EXPECT_EQ(compact.Items()[2].Points[0], (TpmPoint{5, 6}));
  EXPECT_EQ(compact.Items()[3].Kind, pqPathClose);
  EXPECT_TRUE(TpmPathData("   ").IsEmpty());
}

TEST(PathData, BadTextRaisesAndKeepsThePath) {
  TpmPathData path("M 1,1 L 2,2");
  for (const char* bad :
       {"M 1", "X 1,2", "1,2", "M 1,2 C 1,2 3,4", "M nan,1", "M 1,inf", "m 1,1", "M 1,,"}) {
    EXPECT_THROW(path.SetData(bad), EPathError) << bad;
    EXPECT_EQ(path.Data(), "M 1,1 L 2,2") << bad;
  }
  try {
    path.SetData("M 1,2 Q 3,4");
    FAIL();
  } catch (const EPathError& e) {
    EXPECT_NE(std::string(e.what()).find("'Q'"), std::string::npos);
  }
}

TEST(PathData, BoundsAndFitting) {
  TpmPathData path("M 2,4 C 0,0 10,0 6,8");
  EXPECT_EQ(path.Bounds(), (TpmRect{0, 0, 10, 8}));  // control points count
  const TpmMatrix fit = FitRectMatrix(path.Bounds(), {100, 100, 120, 104});
  EXPECT_EQ(fit.Apply({0, 0}), (TpmPoint{100, 100}));
  EXPECT_EQ(fit.Apply({10, 8}), (TpmPoint{120, 104}));
  // A flat path is moved, not blown up.
  const TpmMatrix line = FitRectMatrix({0, 5, 10, 5}, {0, 0, 20, 20});
  EXPECT_EQ(line.Apply({10, 5}), (TpmPoint{20, 0}));
  EXPECT_EQ(TpmPathData().Bounds(), (TpmRect{}));
}
