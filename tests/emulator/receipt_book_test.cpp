// The fiscal state shared by every family, and what it prints.
#include "emulator/receipt_book.h"

#include <gtest/gtest.h>

#include "emulator/emu_numbers.h"

namespace {

using emulator::TPayKind;
using emulator::TRefusal;

const emulator::TCivilTime kNoon{2024, 3, 5, 12, 0, 0};

struct TBook {
  std::vector<std::string> Roll;
  emulator::TReceiptBook Book{{"M", "DY448967", "36607003"}, 41, [this](const std::string& t) { Roll.push_back(t); }};

  TRefusal Sell(const char* text, const char* group, const char* price, const char* quantity = "1") {
    emulator::TReceiptLine sale;
    sale.Text1 = text;
    sale.TaxGroup = group;
    sale.Price = *emulator::ParseDecimal(price);
    sale.Quantity = *emulator::ParseDecimal(quantity);
    return Book.Sell(sale);
  }
};

TEST(EmuNumbers, ParsesAndRoundsExactly) {
  EXPECT_EQ(emulator::ParseDecimal("1.20"), 1200000);
  EXPECT_EQ(emulator::ParseDecimal("-20"), -20000000);
  EXPECT_EQ(emulator::ParseDecimal("+.5"), 500000);
  for (const char* bad : {"", "-", ".", "1,20", "1e3", "1.2345678", "12345678901", " 1"})
    EXPECT_FALSE(emulator::ParseDecimal(bad).has_value()) << bad;
  // 2.675 x 1.0625 = 2.8421875 -> 2.84; 0.125 x 1 rounds half away from zero.
  EXPECT_EQ(emulator::LineAmount(2675000, 1062500), 284);
  EXPECT_EQ(emulator::LineAmount(125000, 1000000), 13);
  EXPECT_EQ(emulator::LineAmount(-125000, 1000000), -13);
  // A thousand sales of 0.10 add up to exactly 100.00.
  emulator::TCents sum = 0;
  for (int i = 0; i < 1000; ++i) sum += emulator::LineAmount(*emulator::ParseDecimal("0.1"), 1000000);
  EXPECT_EQ(emulator::FormatMoney(sum), "100.00");
  EXPECT_EQ(emulator::FormatMoney(-7), "-0.07");
  EXPECT_EQ(emulator::FormatQuantity(1062500), "1.063");
}

TEST(ReceiptBook, PrintsAClosedReceipt) {
  TBook t;
  ASSERT_EQ(t.Book.Open("1", "DY448967-0001-0000042", std::nullopt), TRefusal::None);
  ASSERT_EQ(t.Sell("Хляб", "А", "1.20", "2"), TRefusal::None);
  ASSERT_EQ(t.Book.PrintText("Благодарим Ви!"), TRefusal::None);
  ASSERT_EQ(t.Book.Pay(TPayKind::Card, "C", 200), TRefusal::None);
  ASSERT_EQ(t.Book.Pay(TPayKind::Cash, "P", 500), TRefusal::None);
  ASSERT_EQ(t.Book.Close(kNoon), TRefusal::None);
  ASSERT_EQ(t.Roll.size(), 1u);
  EXPECT_EQ(t.Roll[0],
            "========================================\n"
            "              ФИСКАЛЕН БОН\n"
            "ФУ DY448967                  ФП 36607003\n"
            "Оператор 1\n"
            "УНП DY448967-0001-0000042\n"
            "----------------------------------------\n"
            "Хляб\n"
            "  2.000 x 1.20                    2.40 А\n"
            "Благодарим Ви!\n"
            "----------------------------------------\n"
            "ОБЩА СУМА                           2.40\n"
            "С КАРТА                             2.00\n"
            "В БРОЙ                              5.00\n"
            "РЕСТО                               4.60\n"
            "----------------------------------------\n"
            "Бон № 0000042        05.03.2024 12:00:00\n"
            "              ФИСКАЛЕН БОН\n"
            "========================================\n"
            "\n");
  // The change came out of the cash paid.
  EXPECT_EQ(t.Book.Cash(), 40);
  EXPECT_EQ(t.Book.LastNumber(), 42);
}

TEST(ReceiptBook, GuardsReceiptStateAndTheDrawer) {
  TBook t;
  EXPECT_EQ(t.Sell("X", "А", "1"), TRefusal::NoReceipt);
  EXPECT_EQ(t.Book.Close(kNoon), TRefusal::NoReceipt);
  EXPECT_EQ(t.Book.CashInOut(-100, kNoon), TRefusal::NoCash);
  ASSERT_EQ(t.Book.Open("1", "", std::nullopt), TRefusal::None);
  EXPECT_EQ(t.Book.Open("1", "", std::nullopt), TRefusal::ReceiptOpen);
  EXPECT_EQ(t.Book.Pay(TPayKind::Cash, "P", std::nullopt), TRefusal::NotAllowed);  // nothing sold
  EXPECT_EQ(t.Book.Close(kNoon), TRefusal::NotAllowed);
  EXPECT_EQ(t.Book.CashInOut(100, kNoon), TRefusal::ReceiptOpen);
  EXPECT_EQ(t.Book.Report(true, kNoon), TRefusal::ReceiptOpen);
  ASSERT_EQ(t.Sell("X", "Б", "10"), TRefusal::None);
  EXPECT_EQ(t.Book.Pay(TPayKind::Card, "C", 1001), TRefusal::NotAllowed);  // a card gives no change
  ASSERT_EQ(t.Book.Pay(TPayKind::Card, "C", 400), TRefusal::None);
  EXPECT_EQ(t.Sell("Y", "Б", "1"), TRefusal::NotAllowed);  // payment has started
  // Closing pays the rest in cash.
  ASSERT_EQ(t.Book.Close(kNoon), TRefusal::None);
  EXPECT_EQ(t.Book.Cash(), 600);
  EXPECT_EQ(t.Book.CashInOut(-600, kNoon), TRefusal::None);
  EXPECT_EQ(t.Book.Cash(), 0);

  // A cancelled receipt is printed and uses up its number.
  ASSERT_EQ(t.Book.Open("1", "", std::nullopt), TRefusal::None);
  EXPECT_EQ(t.Book.CurrentNumber(), 43);
  ASSERT_EQ(t.Book.Cancel(kNoon), TRefusal::None);
  EXPECT_EQ(t.Book.LastNumber(), 43);
  EXPECT_NE(t.Roll.back().find("АНУЛИРАН"), std::string::npos);
}

TEST(ReceiptBook, ZReportZeroesTheDay) {
  TBook t;
  t.Book.Open("1", "", std::nullopt);
  t.Sell("X", "А", "3");
  t.Book.Close(kNoon);
  t.Book.Open("1", "", emulator::TStornoRef{"1", "0000042", "05-03-24 11:00", "36607003"});
  t.Sell("X", "А", "1");
  t.Book.Close(kNoon);
  EXPECT_EQ(t.Book.Cash(), 200);
  EXPECT_NE(t.Roll.back().find("СТОРНО БОН"), std::string::npos);
  ASSERT_EQ(t.Book.Report(false, kNoon), TRefusal::None);
  EXPECT_NE(t.Roll.back().find("ОБОРОТ А                            2.00"), std::string::npos) << t.Roll.back();
  ASSERT_EQ(t.Book.Report(true, kNoon), TRefusal::None);
  EXPECT_NE(t.Roll.back().find("Z-ОТЧЕТ № 0000001"), std::string::npos);
  EXPECT_EQ(t.Book.Day().Receipts, 0);
  EXPECT_EQ(t.Book.Day().Sales, 0);
  EXPECT_EQ(t.Book.ZReports(), 1);
}

}  // namespace
