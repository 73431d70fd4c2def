// The real window, offscreen, on a German desktop: Qt sets the C library's locale from the
// environment when the application starts, so the decimal-comma locale is made and chosen
// before the application exists, and the window must still start, show and write every
// number as in the C locale.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <clocale>
#include <cstring>

#include "decimal_comma_locale.h"
#include "look.h"
#include "main_window.h"
#include "recording_presenter.h"

namespace kurimo {
namespace {

const test::DecimalCommaLocale* chosenLocale = nullptr;  // made in main, before Qt starts

TEST(DecimalCommaLocale, TheWindowStartsShowsAndWritesTheDefaultCaseAsInTheCLocale) {
  if (chosenLocale == nullptr || chosenLocale->Missing())
    GTEST_SKIP() << test::DecimalCommaLocale::kMissing;
  ASSERT_EQ(chosenLocale->Problem(), "");
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "Qt took no locale from the environment";
  test::TempFolder folder;
  test::RecordingPresenter presenter;
  MainWindow window(presenter, folder.File("Kurimo_OUT.txt"));
  EXPECT_EQ(presenter.messages, test::Messages{}) << "a default box was refused";
  for (int box = 1; box <= kTextBoxCount; ++box)
    EXPECT_EQ(window.Box(static_cast<TextBox>(box))->text().toStdString(), test::kStartTexts[box])
        << "Text" << box;
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_EQ(presenter.messages,
            test::Messages({{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}}));
  EXPECT_EQ(window.Box(TextBox::Text16)->text().toStdString(), " 3.15");
  EXPECT_EQ(test::ReadBytes(folder.File("Kurimo_OUT.txt")),
            test::ReadBytes(KURIMO_TEST_DATA_DIR "/default-Kurimo_OUT.txt"));
}

}  // namespace
}  // namespace kurimo

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  bool listing = false;  // the build lists the tests: no locale is needed for that
  for (int i = 1; i < argc; ++i)
    listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
  std::optional<kurimo::test::DecimalCommaLocale> locale;
  if (!listing) {
    locale.emplace();
    if (!locale->Missing() && locale->Problem().empty()) locale->SetInEnvironment();
    kurimo::chosenLocale = &*locale;
  }
  QApplication app(argc, argv);
  kurimo::InstallWindowLook();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
