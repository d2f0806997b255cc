// The scripted dialogs behave like the desktop's where callers depend on it.
#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

using testsupport::TScriptedDialogService;

TEST(ScriptedDialogs, AnswerInOrderAndRecordWhatTheyWereAsked) {
  TScriptedDialogService dialogs;
  dialogs.AnswerOpen("/m/a.3ds");
  dialogs.AnswerOpen(std::nullopt);
  dialogs.AnswerColor(0x8C6FEEu);
  TDialogService& service = dialogs;
  EXPECT_EQ(service.OpenFile({"", "3DS|*.3ds", 0}), "/m/a.3ds");
  EXPECT_EQ(service.OpenFile({}), std::nullopt);
  EXPECT_EQ(service.ChooseColor(0x123456u), 0x8C6FEEu);
  EXPECT_TRUE(dialogs.Exhausted());
  ASSERT_EQ(dialogs.open_requests.size(), 2u);
  EXPECT_EQ(dialogs.open_requests[0].filter, "3DS|*.3ds");
  EXPECT_EQ(dialogs.color_requests, (std::vector<std::uint32_t>{0x123456u}));
  EXPECT_THROW(service.ChooseColor(0), std::logic_error) << "no answer left";
  EXPECT_THROW(service.OpenFile({"", "broken", 0}), std::invalid_argument);
}

TEST(ScriptedDialogs, SaveCompletesTheExtensionAndAsksBeforeReplacing) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("old.ico"), {1, 2, 3});
  TScriptedDialogService dialogs;
  TSaveFileRequest request{"", "Windows Vista Icon|*.ico", "ico", "myicon.ico", true};
  dialogs.AnswerSave(dir.File("new"));
  dialogs.AnswerSave(dir.File("old"), /*replace=*/false);
  dialogs.AnswerSave(dir.File("old"), /*replace=*/true);
  dialogs.AnswerSave(std::nullopt);
  EXPECT_EQ(dialogs.SaveFile(request), dir.File("new.ico"));
  EXPECT_EQ(dialogs.overwrite_questions, 0);
  EXPECT_EQ(dialogs.SaveFile(request), std::nullopt) << "declined to replace old.ico";
  EXPECT_EQ(dialogs.SaveFile(request), dir.File("old.ico"));
  EXPECT_EQ(dialogs.overwrite_questions, 2);
  EXPECT_EQ(dialogs.SaveFile(request), std::nullopt);
  EXPECT_EQ(dialogs.save_requests.back().file_name, "myicon.ico");

  request.confirm_overwrite = false;
  dialogs.AnswerSave(dir.File("old"), false);
  EXPECT_EQ(dialogs.SaveFile(request), dir.File("old.ico")) << "nobody was asked";
}

}  // namespace
