// The real Qt window, offscreen, and the icon: what only Qt shows, and the wiring to the
// handlers (tested on their own through a recording window). Messages are only recorded.
// Every test runs on a German desktop (when localedef can make its locale), whose decimal
// comma Qt hands to the C library.
#include <gtest/gtest.h>

#include <QtCharts>
#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>
#include <clocale>
#include <cstring>
#include <fstream>

#include "app_icon.h"
#include "case_file.h"
#include "chart_window.h"
#include "decimal_comma_locale.h"
#include "look.h"
#include "main_window.h"
#include "message_presenter.h"
#include "recording_window.h"
#include "sensitivity_window.h"
#include "target_dialog.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using enum TextBox;

// The fixture stands in for the message boxes and the file and printer dialogs: it records
// the messages, answers the file questions itself and prints to a PDF file, so nothing waits.
class WindowTest : public ::testing::Test, public MessagePresenter {
 protected:
  void Show(QWidget*, std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ChooseFile(QWidget*, FileChoice choice) override {
    return fileQuestions.push_back(choice), std::nullopt;
  }
  std::optional<std::string> ChooseOutputFile(QWidget*, std::string_view) override {
    return outputAnswer;
  }
  bool ChoosePrinter(QWidget*, QPrinter& printer) override {
    printer.setOutputFileName(QString::fromStdString(printerFile));
    return true;
  }
  std::string Text(TextBox box) const { return window.Box(box)->text().toStdString(); }
  static QColor Colour(PackedColour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
  void TypeOver(TextBox box, const std::string& keys) {  // select all, then key by key
    window.Box(box)->setFocus();
    window.Box(box)->selectAll();
    QTest::keyClicks(window.Box(box), QString::fromStdString(keys));
  }
  bool ShowWindow() {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
  }
  void Start() { QTest::mouseClick(window.Command(1), Qt::LeftButton); }

  test::Messages messages;
  std::vector<FileChoice> fileQuestions;
  std::optional<std::string> outputAnswer;
  std::string printerFile;
  test::TempFolder folder;
  std::string outputPath = folder.File("Kurimo_OUT.txt");
  MainWindow window{*this, outputPath};
};

const test::DecimalCommaLocale* chosenLocale = nullptr;  // made in main, before Qt starts

// Under the decimal comma the window starts, shows and writes every number as in the C locale.
TEST_F(WindowTest, ADecimalCommaLocaleChangesNoBoxMessageOrFile) {
  if (chosenLocale == nullptr || chosenLocale->Missing())
    GTEST_SKIP() << test::DecimalCommaLocale::kMissing;
  ASSERT_EQ(chosenLocale->Problem(), "");
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "Qt took no locale from the environment";
  EXPECT_EQ(messages, test::Messages{}) << "a default box was refused";
  for (int box = 1; box <= kTextBoxCount; ++box)
    EXPECT_EQ(Text(TextBox(box)), test::kStartTexts[box]) << "Text" << box;
  Start();
  EXPECT_EQ(messages, test::Messages({{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}}));
  EXPECT_EQ(Text(Text16), " 3.15");
  EXPECT_EQ(test::ReadBytes(outputPath),
            test::ReadBytes(KURIMO_TEST_DATA_DIR "/default-Kurimo_OUT.txt"));
}

TEST_F(WindowTest, PlacesFontsAndTheLegendAsTheUserSeesThem) {
  const QFontInfo results(window.Box(Text3)->font());
  EXPECT_TRUE(results.family() == "IPAPGothic" && results.bold() && results.italic());
  // At 96 dots per inch: the client area and the area box; the bay's boxes side by side.
  ASSERT_EQ(window.logicalDpiX(), 96);
  EXPECT_EQ(window.ClientArea()->size(), QSize(575, 445));
  for (int group = 1; group < 5; ++group)
    EXPECT_EQ(window.Group(group + 1)->x(), window.Group(group)->geometry().right());
  for (QLabel* label : window.InnerPanel()->findChildren<QLabel*>()) {  // captions fit
    if (!(label->alignment() & Qt::AlignRight)) continue;
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
  }
  // Where the boxes, lists and buttons stand: the layout's twips over 15 at 96 dots per inch.
  const QString places =
      "Text1:104,32 Text2:280,32 Text3:440,32 Text4:104,48 Text5:280,48 Text6:440,48 "
      "Text7:128,64 Text8:128,88 Text9:288,88 Text10:464,88 Text11:432,136 Text12:432,152 "
      "Text13:176,176 Text14:344,176 Text15:288,192 Text16:216,216 List1:112,136 "
      "List2:112,152 List3:248,152 Command1:424,256 Command2:424,296 Command3:280,8";
  for (const QString& place : places.split(' ')) {
    const QStringList part = place.split(QRegularExpression("[:,]"));
    const QWidget* control = window.InnerPanel()->findChild<QWidget*>(part[0]);
    ASSERT_NE(control, nullptr) << part[0].toStdString();
    EXPECT_EQ(control->pos(), QPoint(part[1].toInt(), part[2].toInt())) << part[0].toStdString();
  }
  auto inked = [&](int group) {  // dark pixels (a caption) in the group's top band
    const QImage image = window.Group(group)->grab().toImage();
    for (int y = 2; y < 14; ++y)
      for (int x = 2; x < image.width() - 2; ++x)
        if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
  };  // only the river's and the open sea's groups show their captions
  EXPECT_EQ(QList({inked(1), inked(5), inked(kInflowGroup), inked(kOpenSeaGroup)}),
            QList({false, false, true, true}));
  // The widget paints the kept picture; the outer panel follows the client area, nothing else.
  ASSERT_TRUE(ShowWindow());
  for (const QSize size : {QSize(200, 150), QSize(900, 700)}) {
    window.resize(size);
    QApplication::processEvents();
    EXPECT_EQ(window.OuterPanel()->geometry(), window.ClientArea()->rect());
    EXPECT_EQ(window.Box(Text1)->geometry(), QRect(104, 32, 89, 18));
  }
  // The legend, probed in twips across the bar's middle (offscreen, a pixel a point).
  const QImage panel = window.InnerPanel()->grab().toImage();
  auto at = [&](double cells) {
    return panel.pixelColor(int(window.Scale().X(5.67 * (120 + cells * 800 / 13))),
                            int(window.Scale().Y(5670)));
  };
  for (int j = 1; j <= 13; ++j)
    EXPECT_EQ(at(j + 0.5), Colour(test::kScale.LevelColour[j])) << j;
  // The first slot stays empty, and the black frame closes the bar at both ends.
  EXPECT_EQ(QList({at(0.5), at(1), at(14)}), QList<QColor>({Qt::white, Qt::black, Qt::black}));
  EXPECT_EQ(window.OuterPanel()->grab().toImage().pixelColor(3, 3), QColor(255, 255, 192));
  const QImage before = window.InnerPanel()->Image();
  window.Form().Command3Click();  // drawn again: the same picture over the first
  EXPECT_EQ(window.InnerPanel()->Image(), before);
}

TEST_F(WindowTest, KeysArrowsAndTheWheelReachTheHandlers) {
  TypeOver(Text1, "0.5");  // each of the three keys fails the check; the box keeps them
  EXPECT_EQ(messages, test::Messages(3, {"湾面積は1km2以上にしてください。", "湾面積の入力制限"}));
  EXPECT_EQ(Text(Text1), "0.5");
  window.List(MultiplierList::Quality)->setCurrentRow(4);   // 1.2
  window.List(MultiplierList::Quantity)->setCurrentRow(5);  // 1.5
  ASSERT_TRUE(ShowWindow());  // the long number reads from its start and takes no typing
  EXPECT_LT(window.Box(Text12)->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 6);
  QTest::keyClick(window.Box(Text12), Qt::Key_1);
  EXPECT_EQ(Text(Text12), " 5958.00023674965");
  // A one-row list shows its selected entry; arrows, wheel and keys select, focus does not.
  QListWidget* section = window.List(MultiplierList::Section);
  section->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_TRUE(section->selectedItems().isEmpty());
  QTest::mouseClick(window.Command(3), Qt::LeftButton);  // デフォルトに戻す: 1.0
  auto expect = [&](int row, const char* text11) {       // the entry selected, in view and taken
    EXPECT_EQ(section->selectedItems(), QList({section->item(row)}));
    EXPECT_EQ(section->indexAt(QPoint(3, 3)).row(), row);
    EXPECT_EQ(Text(Text11), text11);
  };
  section->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // ▼
  expect(1, " .0252");                                                                // 0.2
  const QPoint centre = section->viewport()->rect().center();
  for (int notch = 0; notch < 2; ++notch) {  // towards the user: one entry a notch
    QWheelEvent wheel(centre, section->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(section->viewport(), &wheel);
  }
  expect(3, " .1008");  // 0.8
  QTest::keyClick(section, Qt::Key_Up);
  expect(2, " .063");  // 0.5
}

// Tab in reading order, Enter, F10; the buttons' colours, darker held down, blue edge focused.
TEST_F(WindowTest, KeyboardMenusAndButtons) {
  ASSERT_TRUE(ShowWindow());
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
  QStringList stops = {QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(stops.join(' '),
            "Command1 Command2 Command3 Text1 Text2 Text4 Text7 Text8 Text9 List1 List2 List3 "
            "Command1");
  QTest::keyClick(window.Command(1), Qt::Key_Return);
  EXPECT_EQ(Text(Text16), " 3.15");
  QTest::keyClick(&window, Qt::Key_F10);
  EXPECT_TRUE(window.menuBar()->actions().at(0)->menu()->isVisible());
  window.menuBar()->actions().at(0)->menu()->close();
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
  QTest::mouseClick(window.Command(2), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

// Qt's own file dialog speaks Japanese whatever the environment says, in its columns too.
TEST(FileDialog, ColumnsAreInJapaneseWhateverTheLanguage) {
  test::TempFolder folder;
  QDir(QString::fromStdString(folder.path().string())).mkdir("sub");
  std::ofstream(folder.File("case.kurimo")) << std::string(2048, 'x');
  QFileDialog dialog;
  UseJapaneseColumns(dialog);
  dialog.setDirectory(QString::fromStdString(folder.path().string()));
  auto* view = dialog.findChild<QTreeView*>("treeView");
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }));
  QStringList cells;  // name, size, type, date; the folder first
  for (int cell = 0; cell < 8; ++cell)
    cells << view->model()->index(cell / 4, cell % 4, view->rootIndex()).data().toString();
  if (cells[0] != "sub") std::rotate(cells.begin(), cells.begin() + 4, cells.end());
  EXPECT_EQ(cells.mid(0, 3) + cells.mid(4, 2),
            QStringList({"sub", "", "フォルダー", "case.kurimo", "2.00 KiB"}));
  EXPECT_TRUE(
      QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d{1,2}:\\d\\d$").match(cells[7]).hasMatch())
      << cells[7].toStdString();  // year first: 2026/12/07 12:18
}

// Drags and drops files on a widget as a file manager does; true when the window took them.
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

// The modal progress dialog stops a run, leaving all as it was, or gives a plain run's result.
TEST_F(WindowTest, ALongRunShowsAModalProgressDialogThatStopsItOrGivesAPlainRunsResult) {
  ASSERT_TRUE(ShowWindow());
  QTimer::singleShot(0, [&] {  // the first look at the run; the stop message tells it came
    QProgressDialog* dialog = window.ProgressDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), dialog);
    EXPECT_FALSE(DragAndDrop(&window, {QUrl::fromLocalFile(QString::fromStdString(outputPath))}));
    EXPECT_TRUE(dialog->labelText().contains("ステップ"));
    EXPECT_EQ(dialog->findChild<QPushButton*>()->text(), "中止");
    QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
  });
  TypeOver(Text9, "1");  // a river of 1 m3/s, with the progress dialog from the first block on
  window.SetProgressDelay(0);
  Start();
  EXPECT_EQ(messages.at(0).title, "計算の中止");
  EXPECT_EQ(window.ProgressDialog(), nullptr);

  messages.clear();
  Start();
  test::RecordingWindow plain;  // the same case through the handlers alone, without events
  MainForm form(plain, folder.File("plain.txt"));
  plain.form = &form;
  form.FormLoad();
  plain.Type(Text9, "1");
  form.Command1Click();
  EXPECT_EQ(test::ReadBytes(outputPath), test::ReadBytes(folder.File("plain.txt")));
  for (int group = 1; group <= kGroupCount; ++group)
    EXPECT_EQ(window.Group(group)->Colour(), Colour(plain.groupColours[group]));
  EXPECT_EQ(messages, plain.messages);
}

// During a run, started by the button or the sensitivity item, a key posted to a box and a
// click, a wheel and keys on a list reach neither the screen nor the case under the run; the
// window looks as before the run and takes input again once it has ended.
TEST_F(WindowTest, InputDuringARunReachesNeitherTheBoxesNorTheListsNorTheCase) {
  ASSERT_TRUE(ShowWindow());
  window.SetProgressDelay(0);  // the event loop runs from the run's first look at its progress
  QListWidget* section = window.List(MultiplierList::Section);
  const std::pair<const char*, std::function<void()>> starts[] = {
      {"計算開始", [&] { Start(); }},
      {"感度分析", [&] { window.Action(MenuItem::Sensitivity)->trigger(); }}};
  for (const auto& [name, start] : starts) {
    SCOPED_TRACE(name);
    TypeOver(Text9, "3");  // cases of more than a million steps
    window.Command(1)->setFocus();
    const QImage before = window.InnerPanel()->grab().toImage();
    bool probed = false;
    QTimer::singleShot(0, [&] {  // inside the run, from its progress
      ASSERT_TRUE(window.Form().Running());
      EXPECT_EQ(window.InnerPanel()->grab().toImage(), before) << "the run changes the look";
      const QPoint entry = section->visualItemRect(section->item(0)).center();
      QWheelEvent wheel(entry, section->viewport()->mapToGlobal(entry), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(section->viewport(), &wheel);
      QTest::mouseClick(section->viewport(), Qt::LeftButton, {}, entry);
      QTest::keyClick(section, Qt::Key_Down);
      section->verticalScrollBar()->setFocus();
      QTest::mouseClick(section->verticalScrollBar(), Qt::LeftButton, {},
                        {section->verticalScrollBar()->width() / 2,
                         section->verticalScrollBar()->height() - 3});  // its ▼
      // A key posted, as another program or a key pressed before the run would deliver it.
      QCoreApplication::postEvent(window.Box(Text1),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_5, {}, "5"));
      QMetaObject::invokeMethod(  // after the key, still inside the run
          &window,
          [&] {
            probed = window.Form().Running();
            EXPECT_EQ(
                std::tuple(Text(Text1), window.Form().Model().BayArea,
                           section->selectedItems().size(), section->verticalScrollBar()->value()),
                std::tuple(" 1000", " 1000", 0, 0));
          },
          Qt::QueuedConnection);
    });
    start();
    EXPECT_TRUE(probed && !window.Form().Running());
    EXPECT_EQ(
        std::tuple(Text(Text1), window.Form().Model().BayArea, section->selectedItems().size()),
        std::tuple(" 1000", " 1000", 0));
  }
  // The report is that of the 1000 km2 bay, and the boxes and lists take input again.
  EXPECT_TRUE(test::ReadCp932Lines(outputPath).at(4).starts_with("    湾面積(km2)= 1000　"));
  TypeOver(Text1, "500");
  EXPECT_EQ(window.Form().Model().BayArea, "500");
  QTest::keyClick(section, Qt::Key_Down);
  EXPECT_EQ(section->selectedItems(), QList({section->item(0)}));  // none was selected
  EXPECT_TRUE(window.Box(Text3)->isReadOnly() && !window.Box(Text2)->isReadOnly());
}

// An unwritable output file is told; the run's items, their keys in a box, their windows.
TEST_F(WindowTest, TheOutputFileAndTheRunsItemsAndWindows) {
  ASSERT_TRUE(ShowWindow());
  window.List(MultiplierList::Quality)->setCurrentRow(5);  // 1.5
  outputAnswer = folder.File("missing/Kurimo_OUT.txt");
  window.Action(MenuItem::OutputFile)->trigger();  // ファイル → 出力ファイルの保存先…
  Start();
  EXPECT_EQ(messages.at(0).title, "出力ファイルのエラー");
  for (MenuItem item : {MenuItem::Chart, MenuItem::SaveSeries, MenuItem::CopyResults,
                        MenuItem::SaveReportPdf, MenuItem::PrintReport})
    EXPECT_FALSE(window.Action(item)->isEnabled());
  outputAnswer = folder.File("chosen.txt");
  window.Action(MenuItem::OutputFile)->trigger();
  Start();
  EXPECT_EQ(test::ReadCp932Lines(folder.File("chosen.txt")).at(25),
            "    湾内平均水質(g/m3)= 3.65 ");
  EXPECT_TRUE(window.Action(MenuItem::SaveReportPdf)->isEnabled());  // the others by their keys
  printerFile = folder.File("printed.pdf");
  for (const char* keys : {"Ctrl+G", "Ctrl+Shift+E", "Ctrl+S", "Ctrl+O", "Ctrl+Shift+C", "Ctrl+P",
                           "Ctrl+T", "Ctrl+L"}) {
    window.activateWindow();
    window.Box(Text1)->setFocus();
    QTest::keySequence(window.Box(Text1), QKeySequence(keys));
  }
  EXPECT_EQ(fileQuestions,
            (std::vector{FileChoice::SaveSeries, FileChoice::SaveCase, FileChoice::OpenCase}));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("\n湾内平均水質\t3.65\tg/m3\n"));
  EXPECT_EQ(test::ReadBytes(printerFile).substr(0, 5), "%PDF-");
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
  Start();  // the open chart follows the runs
  EXPECT_EQ(box5->points().back().y(), window.Form().Model().Concentration[1][5]);
  QTest::keySequence(window.Box(Text1), QKeySequence("Ctrl+Q"));
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowTest, ACaseFileDroppedOnTheWindowOrABoxOpensAndNamesTheWindow) {
  SavedCase saved = DefaultSavedCase();
  saved.texts[0] = "1,500";
  saved.entries[2] = "1.2";
  ASSERT_EQ(WriteCaseFile(folder.File("湾A.kurimo"), saved), std::nullopt);
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder.File("湾A.kurimo")));
  const std::pair<QList<QUrl>, Qt::DropActions> refused[] = {
      {{url, url}, Qt::CopyAction},  // two files
      {{QUrl("https://example.com/湾A.kurimo")}, Qt::CopyAction},
      {{url}, Qt::MoveAction}};
  for (const auto& [urls, actions] : refused)  // a box would take a refused one as typed text
    EXPECT_FALSE(DragAndDrop(window.Box(Text1), urls, actions))
        << urls.first().toString().toStdString();
  EXPECT_EQ(window.windowTitle(), " 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
  EXPECT_TRUE(DragAndDrop(window.Box(Text1), {url}));  // opened, not typed as an address
  EXPECT_EQ(Text(Text1), "1,500");
  EXPECT_EQ(window.List(MultiplierList::Quantity)->currentItem()->text(), "1.2");
  EXPECT_EQ(window.windowTitle(), "湾A.kurimo - 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
}

// The icon draws each size the build renders from its own image, not scaled from another.
TEST(AppIcon, DrawsEveryRenderedSizeFromItsOwnImage) {
  const QIcon icon = AppIcon();
  for (const QString& size : QString(KURIMO_ICON_SIZES).split(u',')) {
    const QImage own(":/icons/kurimo-" + size + ".png");
    const QImage drawn = icon.pixmap(own.size()).toImage();  // none without that size
    ASSERT_EQ(QList({own.size(), drawn.size()}), QList<QSize>(2, {size.toInt(), size.toInt()}));
    EXPECT_TRUE(drawn == own.convertToFormat(drawn.format())) << size.toStdString();
  }
}

}  // namespace
}  // namespace kurimo

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt sets the C library's locale from the environment as the application starts: the
  // locale is made and chosen before. The build lists the tests, which needs none.
  bool listing = false;
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
