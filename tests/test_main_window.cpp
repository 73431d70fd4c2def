// The real Qt window, offscreen, and the program's icon: what only Qt shows (places, fonts,
// pixels, dialogs, keys, drops) and the wiring from the widgets to the handlers, which are
// tested on their own through a recording window. Messages are recorded, never shown.
#include <gtest/gtest.h>

#include <QtCharts>
#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>
#include <filesystem>
#include <fstream>

#include "app_icon.h"
#include "case_file.h"
#include "chart_window.h"
#include "look.h"
#include "main_window.h"
#include "named_cases.h"
#include "recording_window.h"
#include "sensitivity_window.h"
#include "target_dialog.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using enum TextBox;
using Messages = std::vector<test::ShownMessage>;

struct RecordingPresenter final : MessagePresenter {
  void Show(QWidget*, std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ChooseFile(QWidget*, FileChoice choice) override {
    fileQuestions.push_back(choice);
    return std::nullopt;
  }
  std::optional<std::string> ChooseOutputFile(QWidget*, std::string_view current) override {
    outputQuestions.emplace_back(current);
    return outputAnswer;
  }
  bool ChoosePrinter(QWidget*, QPrinter& printer) override {  // prints to a PDF file
    printer.setOutputFileName(QString::fromStdString(printerFile));
    return true;
  }
  Messages messages;
  std::vector<FileChoice> fileQuestions;
  std::vector<std::string> outputQuestions;
  std::optional<std::string> outputAnswer;
  std::string printerFile;
};

QColor Colour(PackedColour c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Types the long case into the boxes through `type(box, text)`.
void EnterLongCase(const std::function<void(TextBox, std::string)>& type) {
  for (const auto& [condition, text] : test::kLongCase.texts) {
    for (int b = 1; b <= kTextBoxCount; ++b)
      if (EditedCondition(TextBox(b)) == condition) type(TextBox(b), std::string(text));
  }
}

class WindowTest : public ::testing::Test {
 protected:
  std::string Text(TextBox box) const { return window.Box(box)->text().toStdString(); }
  // Replaces a box's text by typing: select everything, then one key at a time.
  void TypeOver(TextBox box, const std::string& keys) {
    window.Box(box)->setFocus();
    window.Box(box)->selectAll();
    QTest::keyClicks(window.Box(box), QString::fromStdString(keys));
  }
  bool Show() {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
  }
  void Start() { QTest::mouseClick(window.Command(1), Qt::LeftButton); }
  void StartLongCase() {  // with the progress dialog from the first block on
    EnterLongCase([&](TextBox box, std::string text) { TypeOver(box, text); });
    window.SetProgressDelay(0);
    Start();
  }

  test::TempFolder folder;
  std::string outputPath = folder.File("Kurimo_OUT.txt");
  RecordingPresenter presenter;
  MainWindow window{presenter, outputPath};
};

TEST_F(WindowTest, TitleFontsAndPlacesAsTheUserSeesThem) {
  EXPECT_EQ(window.windowTitle(), " 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
  const QFontInfo results(window.Box(Text3)->font());
  EXPECT_TRUE(results.family() == "IPAPGothic" && results.bold() && results.italic());
  // At 96 dots per inch: the client area and the area box; the bay's boxes side by side.
  ASSERT_EQ(window.logicalDpiX(), 96);
  EXPECT_EQ(window.ClientArea()->size(), QSize(575, 445));
  EXPECT_EQ(window.Box(Text1)->geometry(), QRect(104, 32, 89, 18));
  for (int group = 1; group < 5; ++group)
    EXPECT_EQ(window.Group(group + 1)->x(), window.Group(group)->geometry().right());
  for (QLabel* label : window.InnerPanel()->findChildren<QLabel*>()) {  // captions fit
    if (!(label->alignment() & Qt::AlignRight)) continue;
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()),
              label->contentsRect().width())
        << label->objectName().toStdString();
  }
}

TEST_F(WindowTest, KeysInTheBoxesAndPicksInTheListsReachTheHandlers) {
  TypeOver(Text1, "5");  // every key recomputes
  EXPECT_EQ(Text(Text3), " .09");
  TypeOver(Text1, "0.5");  // each of the three keys fails the check; the box keeps them
  EXPECT_EQ(presenter.messages,
            Messages(3, {"湾面積は1km2以上にしてください。", "湾面積の入力制限"}));
  EXPECT_EQ(Text(Text1), "0.5");
  window.List(MultiplierList::Quality)->setCurrentRow(4);   // 1.2
  window.List(MultiplierList::Quantity)->setCurrentRow(5);  // 1.5
  ASSERT_TRUE(Show());  // the long number reads from its start and takes no typing
  EXPECT_LT(window.Box(Text12)->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 6);
  window.Box(Text12)->setFocus();
  QTest::keyClick(window.Box(Text12), Qt::Key_1);
  EXPECT_EQ(Text(Text12), " 5958.00023674965");
}

// The one-row lists behave as spin boxes: the entry in view is the selected one, and the
// arrows, the wheel and the keys each select it and run the handler; the focus alone does not.
TEST_F(WindowTest, ListsSelectTheEntryInViewByArrowWheelAndKeys) {
  ASSERT_TRUE(Show());
  QListWidget* section = window.List(MultiplierList::Section);
  section->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_TRUE(section->selectedItems().isEmpty());
  QTest::mouseClick(window.Command(3), Qt::LeftButton);  // デフォルトに戻す: 1.0 selected
  auto expect = [&](const char* entry, int row, const char* text11) {
    ASSERT_EQ(section->selectedItems().size(), 1);
    EXPECT_EQ(section->selectedItems().first()->text(), entry);
    EXPECT_EQ(section->indexAt(QPoint(3, 3)).row(), row);  // the entry in view
    EXPECT_EQ(Text(Text11), text11);
  };
  section->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // ▼
  expect("0.2", 1, " .0252");
  const QPoint centre = section->viewport()->rect().center();
  for (int notch = 0; notch < 2; ++notch) {  // towards the user: one entry a notch
    QWheelEvent wheel(centre, section->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(section->viewport(), &wheel);
  }
  expect("0.8", 3, " .1008");
  QTest::keyClick(section, Qt::Key_Up);
  expect("0.5", 2, " .063");
}

// Tab runs through what a user changes, in reading order; Enter presses the focused
// button; F10 and the access keys reach the menus.
TEST_F(WindowTest, KeyboardReachesEveryControlAndTheMenus) {
  ASSERT_TRUE(Show());
  QStringList stops = {QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(stops.join(' '),
            "Text1 Text2 Text4 Text7 Text8 Text9 List1 List2 List3 Command1 Command2 Command3 "
            "Text1");
  window.Command(1)->setFocus();
  QTest::keyClick(window.Command(1), Qt::Key_Return);
  EXPECT_EQ(Text(Text16), " 3.15");
  QTest::keyClick(&window, Qt::Key_F10);
  EXPECT_TRUE(window.menuBar()->actions().at(0)->menu()->isVisible());
  window.menuBar()->actions().at(0)->menu()->close();
  QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
  EXPECT_TRUE(window.menuBar()->actions().at(2)->menu()->isVisible());  // 表示
  QStringList menus;
  for (QAction* top : window.menuBar()->actions()) {
    menus << top->text();
    for (QAction* item : top->menu()->actions())
      if (!item->isSeparator()) menus << " " + item->text();
  }
  EXPECT_EQ(menus.join('|'),
            "ファイル(&F)| ケースを開く(&O)…| ケースを保存(&S)…| 出力ファイルの保存先(&D)…| "
            "時系列をCSVで保存(&E)…| 報告書をPDFで保存(&P)…| 印刷(&R)…| 終了(&X)|編集(&E)| "
            "結果をコピー(&C)|表示(&V)| 時系列グラフ(&G)…| 感度分析(&T)…| 負荷削減の試算(&L)…|"
            "ヘルプ(&H)| このプログラムについて(&A)…");
  EXPECT_GE(window.ClientArea()->y(), window.menuBar()->height());  // above the panel
}

// Qt's own file dialog speaks Japanese whatever the environment says, in its columns too.
TEST(FileDialog, ColumnsAreInJapaneseWhateverTheLanguage) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder.path() / "sub");
  std::ofstream(folder.File("case.kurimo")) << std::string(2048, 'x');
  QFileDialog dialog;
  UseJapaneseColumns(dialog);
  dialog.setDirectory(QString::fromStdString(folder.path().string()));
  auto* view = dialog.findChild<QTreeView*>("treeView");
  QStringList cells;  // name, size, type, date; the folder first
  for (int wait = 0; wait < 100 && cells.size() < 8; ++wait) {
    QTest::qWait(20);
    cells.clear();
    for (int cell = 0; cell < 4 * view->model()->rowCount(view->rootIndex()); ++cell)
      cells << view->model()->index(cell / 4, cell % 4, view->rootIndex()).data().toString();
  }
  ASSERT_EQ(cells.size(), 8);
  if (cells[0] != "sub") std::rotate(cells.begin(), cells.begin() + 4, cells.end());
  EXPECT_EQ(cells.mid(0, 3) + cells.mid(4, 2),
            QStringList({"sub", "", "フォルダー", "case.kurimo", "2.00 KiB"}));
  EXPECT_TRUE(
      QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d{1,2}:\\d\\d$").match(cells[7]).hasMatch())
      << cells[7].toStdString();  // year first: 2026/12/07 12:18
}

// The buttons are painted in their own solid colours, darker while held down, with a
// dark-blue edge while they have the focus; the exit button closes the window.
TEST_F(WindowTest, ButtonsShowTheirColoursPressedStateAndFocus) {
  ASSERT_TRUE(Show());
  auto pixel = [](QPushButton* button, int x) {
    return button->grab().toImage().pixelColor(x, button->height() / 2);
  };
  const QColor focus(0, 70, 200);
  EXPECT_EQ(pixel(window.Command(2), 5), QColor(255, 192, 192));
  QTest::mousePress(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(pixel(window.Command(3), 5), QColor(0, 191, 0));
  QTest::mouseRelease(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(pixel(window.Command(3), 5), QColor(0, 255, 0));
  EXPECT_EQ(pixel(window.Command(3), 1), focus);  // the click took the focus
  window.Command(1)->setFocus();
  EXPECT_NE(pixel(window.Command(3), 1), focus);
  QTest::mouseClick(window.Command(2), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowTest, LegendCellsKeepTheLevelColoursThroughResizing) {
  auto check = [&](const QImage& image) {  // probed in twips, across the bar's middle
    auto at = [&](double cells) {
      const double x = window.Scale().X(5.67 * (120 + cells * 800 / 13));
      const double y = window.Scale().Y(5.67 * 1000), ratio = image.devicePixelRatio();
      return image.pixelColor(int(x * ratio), int(y * ratio));
    };
    for (int j = 1; j <= 13; ++j)
      EXPECT_EQ(at(j + 0.5), Colour(test::kLevelColour[j])) << j;
    // The first slot stays empty, and the black frame closes the bar at both ends.
    EXPECT_EQ(QList({at(0.5), at(1), at(14)}), QList<QColor>({Qt::white, Qt::black, Qt::black}));
  };
  check(window.InnerPanel()->Image());
  // What the widget paints is the kept picture. The outer panel follows the client area;
  // the rest stays where it is.
  ASSERT_TRUE(Show());
  for (const QSize size : {QSize(200, 150), QSize(900, 700)}) {
    window.resize(size);
    QApplication::processEvents();
    EXPECT_EQ(window.OuterPanel()->geometry(), window.ClientArea()->rect());
    EXPECT_EQ(window.Box(Text1)->geometry(), QRect(104, 32, 89, 18));
  }
  check(window.InnerPanel()->grab().toImage());
  EXPECT_EQ(window.OuterPanel()->grab().toImage().pixelColor(3, 3), QColor(255, 255, 192));
  const QImage before = window.InnerPanel()->Image();
  window.Form().Command3Click();  // drawn again: the same picture over the first
  EXPECT_EQ(window.InnerPanel()->Image(), before);
}

TEST_F(WindowTest, AnUnwritableOutputFileIsToldAndTheMenuChoosesAnother) {
  const std::string missing = folder.File("missing/Kurimo_OUT.txt");
  MainWindow failing(presenter, missing);
  QTest::mouseClick(failing.Command(1), Qt::LeftButton);
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "出力ファイルのエラー");
  EXPECT_EQ(failing.Box(Text16)->text(), " 2.4");
  // ファイル → 出力ファイルの保存先… starts from the current path; the next run writes
  // there and shows its result.
  presenter.outputAnswer = folder.File("chosen.txt");
  failing.Action(MenuItem::OutputFile)->trigger();
  EXPECT_EQ(presenter.outputQuestions, std::vector<std::string>{missing});
  QTest::mouseClick(failing.Command(1), Qt::LeftButton);
  EXPECT_EQ(presenter.messages.back(),
            (test::ShownMessage{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}));
  const int levels[] = {0, 8, 7, 7, 6, 6, 13, 5};  // the bay's boxes, the river, the sea
  for (int group = 1; group <= kGroupCount; ++group)
    EXPECT_EQ(failing.Group(group)->Colour(), Colour(test::kLevelColour[levels[group]]));
  const std::vector<std::string> lines = test::ReadCp932Lines(folder.File("chosen.txt"));
  ASSERT_EQ(lines.size(), 26u);
  EXPECT_EQ(lines[25], "    湾内平均水質(g/m3)= 3.15 ");
  EXPECT_EQ(failing.ProgressDialog(), nullptr);  // a short run shows no dialog
}

// Drags the files onto a widget and drops them there, as a file manager does; true when
// the window took the drop. Whatever the drop queued (opening the file) has run on return.
bool DragAndDrop(QWidget* target, const QList<QUrl>& urls,
                 Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
  QMimeData data;
  data.setUrls(urls);
  QDragEnterEvent enter(target->rect().center(), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(target->rect().center(), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);  // never a move: the file stays where it is
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

// The dialog is modal and no drop is taken; its button stops the run, which leaves the
// last results and the last report as they were.
TEST_F(WindowTest, ALongRunShowsAModalProgressDialogThatStopsIt) {
  std::ofstream(outputPath, std::ios::binary) << "an earlier run's report\r\n";
  ASSERT_TRUE(Show());
  bool modal = false, dropTaken = true;
  QTimer::singleShot(0, [&] {
    QProgressDialog* dialog = window.ProgressDialog();
    ASSERT_NE(dialog, nullptr);
    modal = QApplication::activeModalWidget() == dialog;
    dropTaken = DragAndDrop(&window, {QUrl::fromLocalFile(QString::fromStdString(outputPath))});
    EXPECT_TRUE(dialog->labelText().contains("ステップ"));
    EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), "中止");
    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
  });
  StartLongCase();
  EXPECT_TRUE(modal);
  EXPECT_FALSE(dropTaken);
  EXPECT_EQ(
      presenter.messages,
      (Messages{{"計算を中止しました。出力ファイル「" + outputPath + "」は書き換えていません。",
                 "計算の中止"}}));
  EXPECT_EQ(Text(Text16), " 2.4");
  EXPECT_EQ(window.ProgressDialog(), nullptr);
  EXPECT_EQ(test::ReadBytes(outputPath), "an earlier run's report\r\n");
}

TEST_F(WindowTest, ARunWithTheDialogGivesWhatARunWithoutItGives) {
  ASSERT_TRUE(Show());
  StartLongCase();
  test::RecordingWindow plain;  // the same case through the handlers alone, without events
  MainForm form(plain, folder.File("plain.txt"));
  plain.form = &form;
  form.FormLoad();
  EnterLongCase([&](TextBox box, std::string text) { plain.Type(box, text); });
  form.Command1Click();
  EXPECT_GT(plain.progressCalls, 0);
  EXPECT_EQ(test::ReadBytes(outputPath), test::ReadBytes(folder.File("plain.txt")));
  EXPECT_EQ(Text(Text16), plain.Text(Text16));
  for (int group = 1; group <= kGroupCount; ++group)
    EXPECT_EQ(window.Group(group)->Colour(), Colour(plain.groupColours[group]));
  EXPECT_EQ(presenter.messages, plain.messages);
}

// The run's items wait for a run; their keys work with the focus in a box (the boxes keep
// their own editing keys), and the windows they open show the handlers' figures.
TEST_F(WindowTest, RunItemsWaitForARunAndTheirWindowsShowItsFigures) {
  auto enabled = [&](bool expected) {
    for (MenuItem item : {MenuItem::Chart, MenuItem::SaveSeries, MenuItem::CopyResults,
                          MenuItem::SaveReportPdf, MenuItem::PrintReport})
      EXPECT_EQ(window.Action(item)->isEnabled(), expected);
  };
  enabled(false);
  ASSERT_TRUE(Show());
  window.List(MultiplierList::Quality)->setCurrentRow(5);  // 1.5
  Start();
  enabled(true);
  presenter.printerFile = folder.File("printed.pdf");
  for (const char* keys : {"Ctrl+G", "Ctrl+Shift+E", "Ctrl+S", "Ctrl+O", "Ctrl+Shift+C", "Ctrl+P",
                           "Ctrl+T", "Ctrl+L"}) {
    window.activateWindow();
    window.Box(Text1)->setFocus();
    QTest::keySequence(window.Box(Text1), QKeySequence(keys));
  }
  EXPECT_EQ(presenter.fileQuestions,
            (std::vector{FileChoice::SaveSeries, FileChoice::SaveCase, FileChoice::OpenCase}));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("\n湾内平均水質\t3.65\tg/m3\n"));
  EXPECT_EQ(test::ReadBytes(presenter.printerFile).substr(0, 5), "%PDF-");

  ChartWindow* chart = window.Chart();
  ASSERT_TRUE(chart != nullptr && chart->isVisible());
  EXPECT_EQ(chart->Times()->text(),
            "淡水の滞留時間 629.4 日　　交換を含むフラッシング時間 50.6 日");
  // The run ends on day 6294: the axis ends at the round tick just past it, not at 7000.
  EXPECT_EQ(chart->DayAxis()->categoriesLabels().join(' '), "0 1000 2000 3000 4000 5000 6000 6500");
  QLineSeries* box5 = chart->BoxSeries(5);
  ASSERT_EQ(std::size_t(box5->count()), window.Form().Model().Series.points.size());
  EXPECT_EQ(box5->points().back().y(), window.Form().Model().Concentration[1][5]);

  QTableWidget* table = window.Sensitivity()->Table();
  EXPECT_EQ(table->item(12, 1)->text() + table->item(12, 2)->text(), "×1.53.648");
  EXPECT_TRUE(table->item(12, 2)->font().bold() && !table->item(11, 2)->font().bold());

  TargetDialog* target = window.TargetLoadDialog();
  ASSERT_TRUE(target->isVisible() && !target->ApplyButton()->isEnabled());
  QTest::keyClicks(target->TargetBox(), "3");
  EXPECT_EQ(target->Load()->text(), " 2800.08");  // 5.639639 g/m3 x 331 m3/s x 1.5
  QTest::mouseClick(target->ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(Text(Text8), " 5.639639");
  EXPECT_EQ(target->Reduction()->text(), " 0");  // the dialog follows the case

  // An edit switches the items off; the open chart keeps the last run until the next.
  const double before = box5->points().back().y();
  TypeOver(Text9, "300");
  enabled(false);
  EXPECT_EQ(box5->points().back().y(), before);
  Start();
  EXPECT_NE(box5->points().back().y(), before);
  QTest::keySequence(window.Box(Text1), QKeySequence("Ctrl+Q"));
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowTest, ACaseFileDroppedOnTheWindowOrABoxOpensAndNamesTheWindow) {
  SavedCase saved = DefaultSavedCase();
  saved.texts[0] = "1,500";
  saved.entries[2] = "1.2";
  const std::string good = folder.File("湾A.kurimo"), bad = folder.File("壊れた.kurimo");
  ASSERT_EQ(WriteCaseFile(good, saved), std::nullopt);
  std::ofstream(bad) << "{not json";
  const QUrl goodUrl = QUrl::fromLocalFile(QString::fromStdString(good));
  const QUrl badUrl = QUrl::fromLocalFile(QString::fromStdString(bad));
  const QString title = window.windowTitle();
  const std::pair<QList<QUrl>, Qt::DropActions> refused[] = {
      {{goodUrl, badUrl}, Qt::CopyAction},  // two files
      {{QUrl("https://example.com/湾A.kurimo")}, Qt::CopyAction},
      {{goodUrl}, Qt::MoveAction}};
  for (const auto& [urls, actions] : refused) {
    EXPECT_FALSE(DragAndDrop(&window, urls, actions)) << urls.first().toString().toStdString();
    EXPECT_FALSE(DragAndDrop(window.Box(Text1), urls, actions));
  }
  EXPECT_TRUE(DragAndDrop(&window, {badUrl}));  // taken, then refused as not a case
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "ケースファイルのエラー");
  EXPECT_EQ(Text(Text1), " 1000");
  // Dropped on a box, the file opens rather than its address being typed into the box.
  EXPECT_TRUE(DragAndDrop(window.Box(Text1), {goodUrl}));
  EXPECT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(Text(Text1), "1,500");
  EXPECT_EQ(window.List(MultiplierList::Quantity)->currentItem()->text(), "1.2");
  EXPECT_EQ(window.windowTitle(), "湾A.kurimo - " + title.trimmed());
}

// The icon compiled into the program holds every size the build renders, each image is
// the size it is filed under, and the icon draws each size from its own image.
TEST(AppIcon, HoldsAndDrawsEveryRenderedSizeFromItsOwnImage) {
  std::vector<int> expected, sizes;
  for (const QString& size : QString(KURIMO_ICON_SIZES).split(u','))
    expected.push_back(size.toInt());
  const QIcon icon = AppIcon();
  for (const QSize& size : icon.availableSizes())
    sizes.push_back(size.width() == size.height() ? size.width() : -1);
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, expected);
  for (const int size : expected) {
    const QImage own(QStringLiteral(":/icons/kurimo-%1.png").arg(size));
    ASSERT_EQ(own.size(), QSize(size, size));
    // The tile has rounded corners: the corner pixel is transparent, the middle opaque.
    EXPECT_EQ(std::pair(qAlpha(own.pixel(0, 0)), qAlpha(own.pixel(size / 2, size / 2))),
              std::pair(0, 255));
    const QImage drawn = icon.pixmap(QSize(size, size)).toImage();
    EXPECT_TRUE(drawn == own.convertToFormat(drawn.format())) << size << " is scaled";
  }
}

}  // namespace
}  // namespace kurimo

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kurimo::InstallWindowLook();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
