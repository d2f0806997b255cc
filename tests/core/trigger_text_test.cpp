#include "core/trigger_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Joined(const std::vector<TTriggerCondition>& conditions) {
  std::string out;
  for (const TTriggerCondition& c : conditions) out += "[" + c.Name + "|" + c.Value + "]";
  return out;
}

}  // namespace

TEST(TriggerText, ConditionsInOrderTrimmedOfBlanksAndTabsOnly) {
  EXPECT_EQ(Joined(ParseTriggerConditions("IsMouseOver=true;IsPressed=false")),
            "[IsMouseOver|true][IsPressed|false]");
  EXPECT_EQ(Joined(ParseTriggerConditions(" \tIsMouseOver \t= true\t ; IsPressed=  false ")),
            "[IsMouseOver|true][IsPressed|false]");
  // Line ends are not blanks here: a value read from a file with "\r\n" keeps its "\r".
  EXPECT_EQ(Joined(ParseTriggerConditions("IsFocused=true\r")), "[IsFocused|true\r]");
  EXPECT_EQ(Joined(ParseTriggerConditions("Text=a b")), "[Text|a b]");
}

TEST(TriggerText, OnlyTheFirstEqualsSignDividesAndEmptyPartsStay) {
  EXPECT_EQ(Joined(ParseTriggerConditions("Text=a=b")), "[Text|a=b]");
  EXPECT_EQ(Joined(ParseTriggerConditions("IsOn=")), "[IsOn|]");
  EXPECT_EQ(Joined(ParseTriggerConditions("=true")), "[|true]");
  EXPECT_EQ(Joined(ParseTriggerConditions(" = ")), "[|]");
}

TEST(TriggerText, PartsWithoutEqualsSignAndEmptyPartsAreLeftOut) {
  EXPECT_TRUE(ParseTriggerConditions("").empty());
  EXPECT_TRUE(ParseTriggerConditions(";;;").empty());
  EXPECT_TRUE(ParseTriggerConditions("IsMouseOver").empty());
  EXPECT_EQ(Joined(ParseTriggerConditions(";IsMouseOver;A=1;;B=2;")), "[A|1][B|2]");
}

TEST(TriggerText, ManyConditionsAreAllRead) {
  std::string trigger;
  for (int i = 0; i < 5000; ++i)
    trigger += "P" + std::to_string(i) + "=" + std::to_string(i * 7) + ";";
  const std::vector<TTriggerCondition> conditions = ParseTriggerConditions(trigger);
  ASSERT_EQ(conditions.size(), 5000u);
  for (int i = 0; i < 5000; i += 499) {
    EXPECT_EQ(conditions[i].Name, "P" + std::to_string(i));
    EXPECT_EQ(conditions[i].Value, std::to_string(i * 7));
  }
}

TEST(TriggerText, MentionIgnoresAsciiCaseAndFindsPartsOfNames) {
  EXPECT_TRUE(TriggerMentions("IsMouseOver=true", "ismouseover"));
  EXPECT_TRUE(TriggerMentions("ismouseover=true", "IsMouseOver"));
  EXPECT_TRUE(TriggerMentions("IsMouseOver=true", "Mouse"));  // a quick filter, not a match
  EXPECT_TRUE(TriggerMentions("IsMouseOver=true", ""));
  EXPECT_FALSE(TriggerMentions("IsMouseOver=true", "IsPressed"));
  EXPECT_FALSE(TriggerMentions("", "IsPressed"));
  EXPECT_FALSE(TriggerMentions("IsMouse", "IsMouseOver"));
}
