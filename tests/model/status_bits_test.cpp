#include "model/status_bits.h"

#include <gtest/gtest.h>

#include "model/errors.h"

namespace model {
namespace {

class StatusBits : public ::testing::Test {
protected:
  void SetUp() override {
    list.Add("0.4", true, "(0.4*) Грешка на печатащото устройство");
    list.Add("2.3", false, "(2.3) Отворен е фискален бон");
    list.Add("0.1", true, "(0.1*) Невалидна команда", "Проверете командата");
    list.Add("A.1", true, "(A.1*) Няма хартия", "Сложете хартия");
  }
  TFPStatusList list;
};

TEST_F(StatusBits, EmptyListGivesEmptyTexts) {
  TFPStatusList empty;
  EXPECT_EQ(empty.GetStatusTexts(), "");
  EXPECT_EQ(empty.GetErrors(), "");
  EXPECT_EQ(empty.GetErrorResolveSuggestions(), "");
}

TEST_F(StatusBits, TextsOfSetBitsInListOrder) {
  list.SetStatusBit("2.3", true);
  list.SetStatusBit("0.4", true);
  EXPECT_EQ(list.GetStatusTexts(), " (0.4*) Грешка на печатащото устройство\r\n (2.3) Отворен е фискален бон\r\n");
  EXPECT_EQ(list.GetErrors(), " (0.4*) Грешка на печатащото устройство \r\n\r\n");
  EXPECT_EQ(list.GetErrorResolveSuggestions(), "");  // the set error bit has no advice
}

TEST_F(StatusBits, ErrorDetailsAndSuggestions) {
  list.SetStatusBit("a.1", true, "12", "Няма хартия", "Заредете ролката");  // code in other case
  list.SetStatusBit("0.1", true);
  EXPECT_EQ(list.GetErrors(),
            " (0.1*) Невалидна команда \r\n\r\n"
            " (A.1*) Няма хартия \r\n12 Няма хартия \r\n");
  // The suggestion given with the details replaces the one given at creation.
  EXPECT_EQ(list.GetErrorResolveSuggestions(), "Проверете командата\r\nЗаредете ролката\r\n");

  list.SetStatusBit("A.1", false);  // details stay stored but no longer show
  EXPECT_EQ(list.Find("A.1")->ErrorCode, "12");
  EXPECT_EQ(list.GetErrors(), " (0.1*) Невалидна команда \r\n\r\n");
  EXPECT_EQ(list.GetStatusTexts(), " (0.1*) Невалидна команда\r\n");
}

TEST_F(StatusBits, OnlyErrorTextOrOnlyErrorCode) {
  list.SetStatusBit("0.4", true, "", "Грешка", "");
  list.SetStatusBit("0.1", true, "7", "", "");
  EXPECT_EQ(list.GetErrors(),
            " (0.4*) Грешка на печатащото устройство \r\nГрешка \r\n"
            " (0.1*) Невалидна команда \r\n7 \r\n");
  EXPECT_EQ(list.GetErrorResolveSuggestions(), "");  // the detailed call cleared the creation-time advice
}

TEST_F(StatusBits, UnknownCodes) {
  list.SetStatusBit("9.9", true);  // ignored
  list.SetStatusBit("9.9", true, "1", "x", "y");
  EXPECT_EQ(list.GetStatusTexts(), "");
  EXPECT_FALSE(list.StatusBitIsSet("2.3"));
  try {
    list.StatusBitIsSet("9.9");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Не е намерен статус бит с код 9.9");
  }
}

TEST_F(StatusBits, EachCodeIsAddedOnce) {
  list.Add("a.1", false, "duplicate");
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.At(3).Text, "(A.1*) Няма хартия");
  EXPECT_FALSE(list.At(3).IsSet);
  const TFPStatusBit full("5.5", true, true, "t", "s");
  EXPECT_TRUE(full.IsSet);
  EXPECT_TRUE(full.ErrorCode.empty() && full.ErrorText.empty());
}

}  // namespace
}  // namespace model
