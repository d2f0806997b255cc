#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLine, RenderTakesModelOutputsAndSettings) {
  TCommandLine line = ParseCommandLine({"render",
                                        "m.3DS",
                                        "-o",
                                        "a.ico",
                                        "--output=b.icns",
                                        "--view",
                                        "-40,10",
                                        "--rotate=4,-6,8",
                                        "--distance",
                                        "5",
                                        "--move",
                                        "0.5,0,-1",
                                        "--no-shadow",
                                        "--shadow-color",
                                        "#80112233",
                                        "--hide",
                                        "a=b",
                                        "--color",
                                        "a=b=#00ff00",
                                        "--previews",
                                        "p"});
  ASSERT_EQ(line.Command, TCommand::Render);
  const TRenderJob& job = line.Render.Job;
  EXPECT_EQ(line.Render.Models, (std::vector<std::string>{"m.3DS"}));
  EXPECT_EQ(job.Outputs, (std::vector<std::string>{"a.ico", "b.icns"}));
  EXPECT_EQ(job.PreviewDir, "p");
  EXPECT_EQ(job.Settings.ViewTurn, -40);
  EXPECT_EQ(job.Settings.ViewTilt, 10);
  EXPECT_EQ(job.Settings.Rotate[1], -6);
  EXPECT_EQ(job.Settings.Distance, 5);
  EXPECT_EQ(job.Settings.Move.Z, -1);
  EXPECT_FALSE(job.Settings.Shadow.Enabled);
  EXPECT_EQ(job.Settings.Shadow.Color, 0x80112233u);
  EXPECT_EQ(job.Settings.Hide, (std::vector<std::string>{"a=b"}));
  ASSERT_EQ(job.Settings.Colors.size(), 1u);
  EXPECT_EQ(job.Settings.Colors[0].first, "a=b");
  EXPECT_EQ(job.Settings.Colors[0].second, 0xFF00FF00u);  // always opaque
}

TEST(CommandLine, DefaultsAreTheWindowsStartValues) {
  TCommandLine line = ParseCommandLine({"render", "-o", "x.png"});
  const TRenderSettings& s = line.Render.Job.Settings;
  EXPECT_TRUE(line.Render.Models.empty());
  EXPECT_EQ(s.ViewTurn, -33);
  EXPECT_EQ(s.ViewTilt, 20);
  EXPECT_EQ(s.Distance, 10);
  EXPECT_TRUE(s.Shadow.Enabled);
  EXPECT_EQ(s.Shadow.Direction, 45);
  EXPECT_EQ(s.Shadow.Softness, 30);
  EXPECT_EQ(ParseCommandLine({}).Command, TCommand::Window);
  EXPECT_EQ(ParseCommandLine({"--version"}).Command, TCommand::Version);
  EXPECT_EQ(ParseCommandLine({"info", "m.md3"}).InfoModel, "m.md3");
}

TEST(CommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"render"},                                    // nothing to write
      {"render", "-o", "x.bmp"},                     // unknown output format
      {"render", "-o"},                              // missing value
      {"render", "-o", "x.png", "--rotate", "1,2"},  // too few numbers
      {"render", "-o", "x.png", "--distance", "far"},
      {"render", "-o", "x.png", "--distance", "nan"},
      {"render", "-o", "x.png", "--color", "cube=#12345"},
      {"render", "-o", "x.png", "--color", "#123456"},
      {"render", "-o", "x.png", "--shadow-color", "red"},
      {"render", "-o", "x.png", "--bogus"},
      {"render", "a.3ds", "-o", "x.png", "-j", "0"},
      {"render", "a.3ds", "-o", "x.png", "--jobs=1.5"},
      {"render", "a.3ds", "-o", "x.png", "--out-dir", ""},
      {"render", "a.3ds", "-o", "x.png", "--recipe"},
      {"render", "-o", "x.png", "--shadow=yes"},
      {"info"},
      {"info", "a.3ds", "b.3ds"},
      {"paint"},
      {"--help", "extra"},
  };
  for (const auto& args : bad) {
    EXPECT_THROW(ParseCommandLine(args), EUsageError) << args[0] << " " << args.size();
  }
}

TEST(CommandLine, IconSetsAndTheirOptions) {
  const TRenderJob job = ParseCommandLine({"render", "-o", "A.ICONSET", "--icon-theme", "t",
                                           "--web=w", "--name", "my.app_1", "--background",
                                           "#102030", "--size", "1024", "--fit-margin", "12.5"})
                             .Render.Job;
  EXPECT_EQ(job.Outputs, (std::vector<std::string>{"A.ICONSET"}));
  EXPECT_EQ(job.IconThemeDir, "t");
  EXPECT_EQ(job.WebDir, "w");
  EXPECT_EQ(job.Name, "my.app_1");
  EXPECT_EQ(job.Background, 0xFF102030u);
  EXPECT_EQ(job.PngSize, 1024);
  EXPECT_TRUE(job.Fit);  // a margin asks for the fit
  EXPECT_EQ(job.FitMargin, 12.5f);
  const TRenderJob plain = ParseCommandLine({"render", "--web", "w"}).Render.Job;
  EXPECT_FALSE(plain.Fit);
  EXPECT_EQ(plain.PngSize, 256);
  EXPECT_EQ(plain.Background, 0xFFFFFFFFu);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"render", "-o", "x.png", "--size", "15"},
                                             {"render", "-o", "x.png", "--size", "1025"},
                                             {"render", "-o", "x.png", "--size", "64.5"},
                                             {"render", "--web", "w", "--name", "a/b"},
                                             {"render", "--web", "w", "--name", ".."},
                                             {"render", "--web", "w", "--background", "#80102030"},
                                             {"render", "-o", "x.png", "--fit-margin", "50"},
                                             {"render", "-o", "x.png", "--fit=1"},
                                             {"render", "--icon-theme", ""},
                                             {"render", "--name", "app"}}) {
    EXPECT_THROW(ParseCommandLine(bad), EUsageError) << bad.back();
  }
}
