// The real Qt window, offscreen: its look, the handlers reached through real widgets and
// events, the legend's pixels, resizing, runs with their progress dialog and faults.
// Messages are recorded, never shown, so that nothing waits for a click.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QClipboard>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QProgressDialog>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QValueAxis>
#include <QWheelEvent>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "case_file.h"
#include "chart_window.h"
#include "look.h"
#include "main_window.h"
#include "recording_window.h"
#include "sensitivity_window.h"
#include "target_dialog.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::ShownMessage;
using enum TextBox;

class RecordingPresenter final : public MessagePresenter {
 public:
  void Show(QWidget*, std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::optional<std::string> ChooseFile(QWidget*, FileChoice choice) override {
    fileQuestions.push_back(choice);
    return fileAnswer;
  }
  std::optional<std::string> ChooseOutputFile(QWidget*, std::string_view current) override {
    outputQuestions.emplace_back(current);
    return fileAnswer;
  }
  // Prints to a PDF file at printerFile instead of a printer; no printer: the user cancels.
  bool ChoosePrinter(QWidget*, QPrinter& printer) override {
    ++printerQuestions;
    if (!printerFile) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(*printerFile));
    return true;
  }
  std::vector<ShownMessage> messages;
  std::vector<FileChoice> fileQuestions;
  std::vector<std::string> outputQuestions;
  std::optional<std::string> fileAnswer;
  std::optional<std::string> printerFile;
  int printerQuestions = 0;
};

QColor Rgb(int r, int g, int b) {
  return QColor(r, g, b);
}

// The colour of a level of the scale, 1..13, as a widget shows it.
QColor Level(int level) {
  return ToQColor(test::kLevelColour[level]);
}

class WindowTest : public ::testing::Test {
 protected:
  std::string Text(TextBox box) const { return window.Box(box)->text().toStdString(); }
  QColor GroupColour(int group) const { return window.Group(group)->Colour(); }
  // Replaces a box's text by typing: select everything, then one key at a time.
  void TypeOver(TextBox box, const char* keys) {
    QLineEdit* edit = window.Box(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromUtf8(keys));
  }
  // The geometry a control should have, from twips.
  QRect Twips(int left, int top, int width, int height) const {
    return window.Scale().Rect(left, top, width, height);
  }

  test::TempFolder folder;
  std::string outputPath = folder.File("Kurimo_OUT.txt");
  RecordingPresenter presenter;
  MainWindow window{presenter, outputPath};
};

TEST_F(WindowTest, PanelFacesResolveToTheJapaneseFont) {
  EXPECT_EQ(QFontInfo(QFont(kPanelFontFace)).family(), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("IPAPGothic"));

  const QFont display = window.Box(Text3)->font();
  const QFontInfo resolved(display);
  EXPECT_EQ(resolved.family(), QStringLiteral("IPAPGothic"));
  EXPECT_TRUE(resolved.bold());
  EXPECT_TRUE(resolved.italic());
  EXPECT_EQ(display.pointSizeF(), 9.0);
  EXPECT_EQ(window.InnerPanel()->font().pointSizeF(), 7.5);
  EXPECT_EQ(QFontInfo(window.InnerPanel()->font()).family(), QStringLiteral("IPAPGothic"));
  EXPECT_FALSE(QFontInfo(window.Box(Text1)->font()).bold());
}

TEST_F(WindowTest, ControlsStandWhereTheLayoutPutsThemInTheirColours) {
  EXPECT_EQ(window.windowTitle(),
            QStringLiteral(" 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10"));
  auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->baseStyle()->name(), QStringLiteral("fusion"));
  EXPECT_EQ(window.ClientArea()->size(), Twips(0, 0, 8625, 6675).size());
  EXPECT_EQ(window.OuterPanel()->geometry(), window.ClientArea()->rect());
  EXPECT_EQ(window.InnerPanel()->geometry(), Twips(120, 240, 8172, 6012));

  EXPECT_EQ(window.Box(Text1)->geometry(), Twips(1560, 480, 1332, 264));
  EXPECT_EQ(window.Box(Text16)->geometry(), Twips(3240, 3240, 1092, 264));
  EXPECT_EQ(window.List(MultiplierList::Section)->geometry(), Twips(1680, 2040, 972, 240));
  EXPECT_EQ(window.List(MultiplierList::Quantity)->geometry(), Twips(3720, 2280, 852, 240));
  EXPECT_EQ(window.Command(1)->geometry(), Twips(6360, 3840, 1212, 492));
  EXPECT_EQ(window.Group(5)->geometry(), Twips(4200, 3840, 732, 1452));
  EXPECT_EQ(window.Group(kInflowGroup)->geometry(), Twips(480, 4080, 852, 612));
  EXPECT_EQ(window.Label(QStringLiteral("Label26"))->geometry(), Twips(1560, 2880, 2772, 252));
  QLabel* bayName = window.Label(QStringLiteral("Label27"));
  ASSERT_NE(bayName, nullptr);
  EXPECT_EQ(bayName->parentWidget(), window.Group(3));
  EXPECT_EQ(bayName->text(), QStringLiteral("（湾内水）"));

  EXPECT_EQ(window.Label(QStringLiteral("Label5"))->text(),
            QStringLiteral("※基本条件ケースの×0.2～×5倍の範囲で変更できます。"));
  EXPECT_EQ(window.Label(QStringLiteral("Label7"))->text(), QStringLiteral("　⇒"));
  EXPECT_EQ(window.Command(2)->text(), QStringLiteral("終了（閉じる）"));
  EXPECT_EQ(window.Command(3)->text(), QStringLiteral("デフォルトに戻す"));

  EXPECT_EQ(window.OuterPanel()->palette().color(QPalette::Window), Rgb(255, 255, 192));
  EXPECT_EQ(window.InnerPanel()->palette().color(QPalette::Window), Rgb(255, 255, 255));
  EXPECT_EQ(window.Label(QStringLiteral("Label1"))->palette().color(QPalette::Window),
            Rgb(255, 192, 128));
  EXPECT_TRUE(window.Label(QStringLiteral("Label1"))->autoFillBackground());
  EXPECT_EQ(window.Label(QStringLiteral("Label24"))->palette().color(QPalette::Window),
            Rgb(255, 192, 255));
  EXPECT_EQ(window.Command(3)->palette().color(QPalette::Button), Rgb(0, 255, 0));
  EXPECT_EQ(window.Command(1)->palette().color(QPalette::Button), Rgb(255, 192, 192));
  EXPECT_EQ(window.Box(Text3)->palette().color(QPalette::Base), Rgb(255, 255, 192));
  EXPECT_EQ(window.Box(Text1)->palette().color(QPalette::Base), Rgb(255, 255, 255));
}

TEST_F(WindowTest, CaptionsFitBesideTheirBoxes) {
  // Every caption's text ends before the box that starts inside the label.
  for (QLabel* label : window.InnerPanel()->findChildren<QLabel*>()) {
    if (!(label->alignment() & Qt::AlignRight)) continue;
    SCOPED_TRACE(label->objectName().toStdString());
    const int textWidth = QFontMetrics(label->font()).horizontalAdvance(label->text());
    EXPECT_LE(textWidth, label->contentsRect().width());
    EXPECT_GE(label->font().pointSizeF(), 7.5);
  }
}

TEST_F(WindowTest, StartUpFillsTheBoxesListsAndColours) {
  for (int box = 1; box <= kTextBoxCount; ++box) {
    EXPECT_EQ(Text(static_cast<TextBox>(box)), test::kStartTexts[box - 1]) << "Text" << box;
  }
  QListWidget* section = window.List(MultiplierList::Section);
  ASSERT_EQ(section->count(), 7);
  EXPECT_EQ(section->item(0)->text(), QStringLiteral("1.0"));
  EXPECT_EQ(section->item(6)->text(), QStringLiteral("2.0"));
  EXPECT_EQ(window.List(MultiplierList::Quality)->count(), 8);
  EXPECT_EQ(window.List(MultiplierList::Quantity)->item(7)->text(), QStringLiteral("5.0"));
  for (MultiplierList list :
       {MultiplierList::Section, MultiplierList::Quality, MultiplierList::Quantity}) {
    EXPECT_TRUE(window.List(list)->selectedItems().isEmpty());
  }
  for (int group = 1; group <= 5; ++group)
    EXPECT_EQ(GroupColour(group), Level(5));
  EXPECT_EQ(GroupColour(kInflowGroup), Level(13));
  EXPECT_EQ(GroupColour(kOpenSeaGroup), Level(5));
  EXPECT_TRUE(presenter.messages.empty());
}

TEST_F(WindowTest, TypingTheAreaKeyByKeyRecomputesAtEveryKey) {
  TypeOver(Text1, "5");
  EXPECT_EQ(Text(Text3), " .09");
  QTest::keyClicks(window.Box(Text1), QStringLiteral("0"));
  EXPECT_EQ(Text(Text3), " .9");
  QTest::keyClicks(window.Box(Text1), QStringLiteral("0"));
  EXPECT_EQ(Text(Text1), "500");
  EXPECT_EQ(Text(Text3), " 9");
  EXPECT_EQ(Text(Text13), " 314.7");
  EXPECT_EQ(Text(Text14), " 3.19");
  EXPECT_EQ(Text(Text15), " .032");
  EXPECT_TRUE(presenter.messages.empty());
}

TEST_F(WindowTest, FailingKeystrokesBringTheBoxMessageEachTime) {
  struct Case {
    TextBox box;
    const char* keys;
    std::size_t messages;
    ShownMessage message;
  };
  const std::vector<Case> cases = {
      {Text1, "0.5", 3, {"湾面積は1km2以上にしてください。", "湾面積の入力制限"}},
      {Text2, "0", 1, {"水深は1m以上にしてください", "水深の入力制限"}},
      {Text4, "-1", 2, {"湾口部長さは0にしないでください", "湾口部長さの入力制限"}},
      {Text7, "2.4x", 1, {"数値を入力してください", "外海水の水質"}},
      {Text8, "1a", 1, {"数値を入力してください", "流入水の水質"}},
      {Text9, "0.5", 2, {"流入水の流量は0にしないでください", "流量の入力制限"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    presenter.messages.clear();
    window.Form().Command3Click();
    TypeOver(c.box, c.keys);
    ASSERT_EQ(presenter.messages.size(), c.messages);
    for (const ShownMessage& shown : presenter.messages)
      EXPECT_EQ(shown, c.message);
    EXPECT_EQ(Text(c.box), c.keys);  // the box keeps what was typed
  }
  // Deleting the whole text is a change to the empty text, which is not a number.
  presenter.messages.clear();
  window.Form().Command3Click();
  window.Box(Text1)->setFocus();
  window.Box(Text1)->selectAll();
  QTest::keyClick(window.Box(Text1), Qt::Key_Backspace);
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "湾面積の入力制限");
  EXPECT_EQ(window.Form().Model().BayArea, " 1000");
}

TEST_F(WindowTest, ListPicksRewriteTheirBoxes) {
  window.List(MultiplierList::Section)->setCurrentRow(2);  // 0.5
  EXPECT_EQ(Text(Text11), " .063");
  EXPECT_EQ(Text(Text14), " 9.04");
  window.List(MultiplierList::Quality)->setCurrentRow(1);  // 0.2
  EXPECT_EQ(Text(Text12), " 662");
  EXPECT_EQ(Text(Text15), " .003");
  EXPECT_EQ(GroupColour(kInflowGroup), Level(5));           // 2.0 g/m3
  window.List(MultiplierList::Quality)->setCurrentRow(4);   // 1.2
  window.List(MultiplierList::Quantity)->setCurrentRow(5);  // 1.5
  EXPECT_EQ(Text(Text12), " 5958.00023674965");
  EXPECT_EQ(Text(Text1), " 1000");  // the condition boxes stay as they are
  EXPECT_EQ(Text(Text10), " 3310");
  // The long number reads from its start, and the box takes no typing: it shows what the
  // case holds and nothing else.
  QLineEdit* load = window.Box(Text12);
  EXPECT_EQ(load->cursorPosition(), 0);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_LT(load->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 6);
  QLineEdit* volume = window.Box(Text3);
  QTest::mouseClick(volume, Qt::LeftButton);
  QTest::keyClicks(volume, QStringLiteral("1899"));
  QTest::keyClick(volume, Qt::Key_Backspace);
  EXPECT_EQ(Text(Text3), " 18");
  EXPECT_TRUE(volume->isReadOnly());
}

// The one-row lists behave as spin boxes: the entry in view is the selected one, and the
// arrows, the wheel and the keys each select and run the list's handler.
TEST_F(WindowTest, ListArrowsWheelAndKeysSelectTheEntryInView) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QListWidget* section = window.List(MultiplierList::Section);
  auto shownRow = [](QListWidget* list) { return list->indexAt(QPoint(3, 3)).row(); };
  QTest::mouseClick(window.Command(3), Qt::LeftButton);  // デフォルトに戻す: 1.0 selected
  ASSERT_EQ(section->currentRow(), 0);

  section->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // ▼
  ASSERT_EQ(section->selectedItems().size(), 1);
  EXPECT_EQ(section->selectedItems().first()->text(), QStringLiteral("0.2"));
  EXPECT_EQ(shownRow(section), 1);
  EXPECT_EQ(window.Form().Model().SectionFactor, 0.2);
  EXPECT_EQ(Text(Text11), " .0252");

  // Two notches of the wheel towards the user: two entries on, one at a time.
  const QPoint centre = section->viewport()->rect().center();
  for (int notch = 0; notch < 2; ++notch) {
    QWheelEvent wheel(centre, section->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(section->viewport(), &wheel);
  }
  EXPECT_EQ(section->selectedItems().first()->text(), QStringLiteral("0.8"));
  EXPECT_EQ(shownRow(section), 3);
  EXPECT_EQ(Text(Text11), " .1008");

  section->setFocus();
  QTest::keyClick(section, Qt::Key_Up);
  EXPECT_EQ(section->selectedItems().first()->text(), QStringLiteral("0.5"));
  EXPECT_EQ(shownRow(section), 2);
  QTest::keyClick(section, Qt::Key_End);
  EXPECT_EQ(section->selectedItems().first()->text(), QStringLiteral("2.0"));
  EXPECT_EQ(shownRow(section), 6);
  EXPECT_EQ(window.Form().Model().SectionFactor, 2.0);

  // A case file's pick scrolls the list to it as well.
  window.SelectListEntry(MultiplierList::Section, "1.2");
  EXPECT_EQ(shownRow(section), 4);
}

// Tab runs through what a user changes, in reading order; Enter and Space press the
// focused button; F10 and the access keys reach the menus.
TEST_F(WindowTest, KeyboardReachesEveryControlAndTheMenus) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(QApplication::focusWidget(), window.Box(Text1));
  QStringList stops;
  for (int i = 0; i < 12; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    stops << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(stops, QStringList({"Text2", "Text4", "Text7", "Text8", "Text9", "List1", "List2",
                                "List3", "Command1", "Command2", "Command3", "Text1"}));

  window.Command(1)->setFocus();
  QTest::keyClick(window.Command(1), Qt::Key_Return);
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "計算終了です！");
  EXPECT_EQ(Text(Text16), " 3.15");
  TypeOver(Text8, "20");
  window.Command(3)->setFocus();
  QTest::keyClick(window.Command(3), Qt::Key_Space);
  EXPECT_EQ(Text(Text8), " 10");

  QTest::keyClick(&window, Qt::Key_F10);
  EXPECT_EQ(window.menuBar()->activeAction(), window.menuBar()->actions().first());
  QMenu* file = window.menuBar()->actions().first()->menu();
  EXPECT_TRUE(file->isVisible());
  file->close();
  QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
  EXPECT_TRUE(window.menuBar()->actions().at(2)->menu()->isVisible());  // 表示
}

// Qt's own dialogs speak Japanese whatever the environment says (the tests run under
// whatever LANG the machine has): the file dialog's size, type and date columns too.
TEST(FileDialog, ColumnsAreInJapaneseWhateverTheLanguage) {
  EXPECT_EQ(QLocale().language(), QLocale::Japanese);
  test::TempFolder folder;
  std::filesystem::create_directory(folder.path() / "sub");
  std::ofstream(folder.File("case.kurimo")) << std::string(2048, 'x');
  QFileDialog dialog;
  UseJapaneseColumns(dialog);
  dialog.setDirectory(QString::fromStdString(folder.path().string()));
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  ASSERT_NE(view, nullptr);
  QAbstractItemModel* model = view->model();
  const QModelIndex root = view->rootIndex();
  for (int wait = 0; wait < 100 && model->rowCount(root) < 2; ++wait)
    QTest::qWait(20);
  ASSERT_EQ(model->rowCount(root), 2);
  std::map<QString, QStringList> rows;
  for (int row = 0; row < 2; ++row) {
    QStringList cells;
    for (int column = 1; column <= 3; ++column)
      cells << model->index(row, column, root).data().toString();
    rows[model->index(row, 0, root).data().toString()] = cells;
  }
  EXPECT_EQ(rows["sub"][0], QString());
  EXPECT_EQ(rows["sub"][1], QStringLiteral("フォルダー"));
  EXPECT_EQ(rows["case.kurimo"][0], QStringLiteral("2.00 KiB"));
  // 2026/12/07 12:18: year first, as Japanese dates are written.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$"))
                  .match(rows["case.kurimo"][2])
                  .hasMatch())
      << rows["case.kurimo"][2].toStdString();
}

// The buttons are painted in their own solid colours, darker while held down, with a
// dark-blue edge while they have the focus.
TEST_F(WindowTest, ButtonsShowTheirColoursPressedStateAndFocus) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto inside = [](QPushButton* button) {
    const QImage image = button->grab().toImage();
    return image.pixelColor(5, image.height() / 2);
  };
  auto edge = [](QPushButton* button) {
    const QImage image = button->grab().toImage();
    return image.pixelColor(1, image.height() / 2);
  };
  window.Box(Text1)->setFocus();
  EXPECT_EQ(inside(window.Command(1)), Rgb(255, 192, 192));
  EXPECT_EQ(inside(window.Command(2)), Rgb(255, 192, 192));
  EXPECT_EQ(inside(window.Command(3)), Rgb(0, 255, 0));
  EXPECT_NE(edge(window.Command(3)), Rgb(0, 70, 200));

  QTest::mousePress(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(inside(window.Command(3)), Rgb(0, 191, 0));
  QTest::mouseRelease(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(inside(window.Command(3)), Rgb(0, 255, 0));
  EXPECT_EQ(edge(window.Command(3)), Rgb(0, 70, 200));  // the click took the focus
  window.Command(1)->setFocus();
  EXPECT_EQ(edge(window.Command(1)), Rgb(0, 70, 200));
  EXPECT_NE(edge(window.Command(3)), Rgb(0, 70, 200));
}

TEST_F(WindowTest, KeyboardSelectionRunsTheHandlerButFocusAloneDoesNot) {
  // After this edit a quality pick of 1.0 would write Text12 to 3 places instead of 5.
  TypeOver(Text8, "1.234567");
  ASSERT_EQ(Text(Text12), " 408.64168");
  QListWidget* quality = window.List(MultiplierList::Quality);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  quality->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_TRUE(quality->selectedItems().isEmpty());
  EXPECT_EQ(Text(Text12), " 408.64168");

  quality->setCurrentRow(1);               // 0.2
  QTest::keyClick(quality, Qt::Key_Down);  // 0.5
  ASSERT_EQ(quality->selectedItems().size(), 1);
  EXPECT_EQ(quality->selectedItems().first()->text(), QStringLiteral("0.5"));
  EXPECT_EQ(Text(Text12), " 204.321");
}

TEST_F(WindowTest, DefaultRunThroughTheStartButton) {
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_EQ(Text(Text16), " 3.15");
  const std::array<int, 5> levels = {8, 7, 7, 6, 6};
  for (int group = 1; group <= 5; ++group)
    EXPECT_EQ(GroupColour(group), Level(levels[group - 1]));
  EXPECT_EQ(GroupColour(kInflowGroup), Level(13));
  EXPECT_EQ(GroupColour(kOpenSeaGroup), Level(5));
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0],
            (ShownMessage{"計算結果(湾内平均水質)\r 3.15(g/m3)", "計算終了です！"}));
  EXPECT_EQ(test::ReadBytes(outputPath),
            test::ReadBytes(std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt"));
  EXPECT_EQ(window.ProgressDialog(), nullptr);  // a short run shows no dialog
}

TEST_F(WindowTest, DefaultsButtonAfterEditsPicksAndARun) {
  TypeOver(Text1, "500");
  TypeOver(Text7, "5");
  window.List(MultiplierList::Section)->setCurrentRow(1);
  window.List(MultiplierList::Quality)->setCurrentRow(7);
  window.List(MultiplierList::Quantity)->setCurrentRow(3);
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  ASSERT_NE(Text(Text16), " 2.4");
  presenter.messages.clear();

  QTest::mouseClick(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(Text(Text1), " 1000");
  EXPECT_EQ(Text(Text7), " 2.4");
  EXPECT_EQ(Text(Text11), " .126");
  EXPECT_EQ(Text(Text12), " 3310");
  EXPECT_EQ(Text(Text13), " 629.4");
  EXPECT_EQ(Text(Text16), " 2.4");
  for (MultiplierList list :
       {MultiplierList::Section, MultiplierList::Quality, MultiplierList::Quantity}) {
    ASSERT_EQ(window.List(list)->selectedItems().size(), 1);
    EXPECT_EQ(window.List(list)->row(window.List(list)->selectedItems().first()), 0);
  }
  for (int group = 1; group <= 5; ++group)
    EXPECT_EQ(GroupColour(group), Level(5));
  EXPECT_EQ(GroupColour(kInflowGroup), Level(13));
  EXPECT_TRUE(presenter.messages.empty());
}

// The pixel at the centre of a rectangle given in twips, on the panel's picture.
QColor PixelAt(const QImage& image, const TwipsScale& scale, double x, double y) {
  return image.pixelColor(static_cast<int>(scale.X(x) * image.devicePixelRatio()),
                          static_cast<int>(scale.Y(y) * image.devicePixelRatio()));
}

TEST_F(WindowTest, LegendCellsCarryTheLevelColoursAndSurviveCoveringAndResizing) {
  const double unit = 5.67;
  const double left = 20 * unit + 100 * unit;
  const double cell = (800.0 / 13) * unit;
  const double middleY = (60 * unit + 925 * unit) + 15 * unit;
  const TwipsScale& scale = window.Scale();

  auto check = [&](const QImage& image) {
    for (int j = 1; j <= 13; ++j) {
      SCOPED_TRACE("cell " + std::to_string(j));
      EXPECT_EQ(PixelAt(image, scale, left + (j + 0.5) * cell, middleY), Level(j));
    }
    // The first slot stays empty, and the black frame closes the bar at both ends.
    EXPECT_EQ(PixelAt(image, scale, left + 0.5 * cell, middleY), Rgb(255, 255, 255));
    EXPECT_EQ(PixelAt(image, scale, left + cell, middleY), Rgb(0, 0, 0));
    EXPECT_EQ(PixelAt(image, scale, left + 14 * cell, middleY), Rgb(0, 0, 0));
  };
  check(window.InnerPanel()->Image());

  // What the widget paints on the screen is the kept picture: after showing, resizing
  // and covering, a fresh rendering still shows the legend.
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.resize(200, 150);
  QApplication::processEvents();
  QWidget cover;
  cover.setGeometry(window.geometry());
  cover.show();
  QApplication::processEvents();
  cover.hide();
  window.resize(900, 700);
  QApplication::processEvents();
  check(window.InnerPanel()->grab().toImage());

  // Drawing again (the defaults button) paints the same picture over the first.
  const QImage before = window.InnerPanel()->Image();
  window.Form().Command3Click();
  EXPECT_EQ(window.InnerPanel()->Image(), before);
}

TEST_F(WindowTest, ResizingKeepsTheOuterPanelOverTheClientAreaAndNothingElseMoves) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect inner = window.InnerPanel()->geometry();
  const QRect text1 = window.Box(Text1)->geometry();
  for (const QSize size : {QSize(900, 700), QSize(300, 200), QSize(640, 480)}) {
    window.resize(size);
    QApplication::processEvents();
    EXPECT_EQ(window.OuterPanel()->geometry(), window.ClientArea()->rect());
    EXPECT_EQ(window.InnerPanel()->geometry(), inner);
    EXPECT_EQ(window.Box(Text1)->geometry(), text1);
  }
}

TEST_F(WindowTest, AnUnwritableOutputFileBringsAMessageAndTheMenuChoosesAnother) {
  RecordingPresenter messages;
  const std::string missing = folder.File("missing/Kurimo_OUT.txt");
  MainWindow failing(messages, missing);
  QTest::mouseClick(failing.Command(1), Qt::LeftButton);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].title, "出力ファイルのエラー");
  EXPECT_EQ(failing.Box(Text16)->text(), QStringLiteral(" 2.4"));
  EXPECT_EQ(failing.Group(1)->Colour(), Level(5));

  // ファイル → 出力ファイルの保存先… starts from the current path; the next run writes
  // where the user chose.
  messages.fileAnswer = folder.File("chosen.txt");
  failing.Action(MenuItem::OutputFile)->trigger();
  EXPECT_EQ(messages.outputQuestions, std::vector<std::string>{missing});
  QTest::mouseClick(failing.Command(1), Qt::LeftButton);
  EXPECT_EQ(messages.messages.back().title, "計算終了です！");
  EXPECT_EQ(failing.Box(Text16)->text(), QStringLiteral(" 3.15"));
  EXPECT_EQ(test::ReadBytes(folder.File("chosen.txt")),
            test::ReadBytes(std::string(KURIMO_TEST_DATA_DIR) + "/default-Kurimo_OUT.txt"));
  messages.fileAnswer.reset();
  failing.Action(MenuItem::OutputFile)->trigger();  // cancelled: the path stays
  EXPECT_EQ(failing.Form().OutputPath(), folder.File("chosen.txt"));
}

TEST_F(WindowTest, ALongRunShowsAModalProgressDialogThatStopsIt) {
  const std::string report = "an earlier run's report\r\n";
  std::ofstream(outputPath, std::ios::binary) << report;
  TypeOver(Text9, "1");  // about four million steps
  window.SetProgressDelay(0);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  bool sawDialog = false;
  QTimer::singleShot(0, [&] {
    QProgressDialog* dialog = window.ProgressDialog();
    if (dialog == nullptr) return;
    sawDialog = true;
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), dialog);
    EXPECT_TRUE(dialog->labelText().contains(QStringLiteral("ステップ")));
    QPushButton* stop = dialog->findChild<QPushButton*>();
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), QStringLiteral("中止"));
    QTest::mouseClick(stop, Qt::LeftButton);
  });
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_TRUE(sawDialog);
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "計算の中止");
  EXPECT_EQ(Text(Text16), " 2.4");
  EXPECT_EQ(GroupColour(1), Level(5));
  EXPECT_EQ(window.ProgressDialog(), nullptr);
  EXPECT_EQ(test::ReadBytes(outputPath), report);  // the stopped run's report is dropped
}

TEST_F(WindowTest, ARunWithTheDialogGivesWhatARunWithoutItGives) {
  TypeOver(Text9, "1");
  window.SetProgressDelay(0);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(window.Command(1), Qt::LeftButton);

  // The same case through the handlers alone, without a dialog or events.
  test::RecordingWindow plain;
  const std::string plainPath = folder.File("plain.txt");
  MainForm form(plain, plainPath);
  plain.form = &form;
  form.FormLoad();
  plain.Type(Text9, "1");
  form.Command1Click();

  EXPECT_GT(plain.progressCalls, 0);
  EXPECT_EQ(test::ReadBytes(outputPath), test::ReadBytes(plainPath));
  EXPECT_EQ(Text(Text16), plain.Text(Text16));
  for (int group = 1; group <= kGroupCount; ++group) {
    EXPECT_EQ(GroupColour(group), ToQColor(plain.groupColours[group]));
  }
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0], plain.messages.at(0));
}

// The menu titles and their items' texts, separators left out.
std::vector<std::pair<QString, QStringList>> MenuTexts(QMenuBar* bar) {
  std::vector<std::pair<QString, QStringList>> menus;
  for (QAction* top : bar->actions()) {
    QStringList items;
    for (QAction* item : top->menu()->actions()) {
      if (!item->isSeparator()) items << item->text();
    }
    menus.emplace_back(top->text(), items);
  }
  return menus;
}

TEST_F(WindowTest, MenuBarStandsAboveThePanelWithItsItemsAndShortcuts) {
  const std::vector<std::pair<QString, QStringList>> expected = {
      {"ファイル(&F)",
       {"ケースを開く(&O)…", "ケースを保存(&S)…", "出力ファイルの保存先(&D)…",
        "時系列をCSVで保存(&E)…", "報告書をPDFで保存(&P)…", "印刷(&R)…", "終了(&X)"}},
      {"編集(&E)", {"結果をコピー(&C)"}},
      {"表示(&V)", {"時系列グラフ(&G)…", "感度分析(&T)…", "負荷削減の試算(&L)…"}},
      {"ヘルプ(&H)", {"このプログラムについて(&A)…"}}};
  EXPECT_EQ(MenuTexts(window.menuBar()), expected);
  EXPECT_EQ(window.Action(MenuItem::OpenCase)->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(window.Action(MenuItem::SaveCase)->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_EQ(window.Action(MenuItem::Exit)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(window.Action(MenuItem::CopyResults)->shortcut(),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  EXPECT_EQ(window.Action(MenuItem::PrintReport)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // The client area below the menu bar keeps its size, and the panel covers it.
  EXPECT_GE(window.ClientArea()->y(), window.menuBar()->height());
  EXPECT_EQ(window.ClientArea()->size(), Twips(0, 0, 8625, 6675).size());
  EXPECT_EQ(window.OuterPanel()->geometry(), window.ClientArea()->rect());
}

TEST_F(WindowTest, TargetLoadDialogOpensFromTheMenuAndWritesTheInflowQuality) {
  window.Action(MenuItem::TargetLoad)->trigger();
  TargetDialog* dialog = window.TargetLoadDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("負荷削減の試算 - Kurimo"));
  EXPECT_FALSE(dialog->ApplyButton()->isEnabled());
  EXPECT_EQ(dialog->ApplyButton()->text(), QStringLiteral("この水質を流入水質に入力"));

  dialog->TargetBox()->setFocus();
  QTest::keyClicks(dialog->TargetBox(), QStringLiteral("3"));
  EXPECT_TRUE(presenter.messages.empty());
  EXPECT_EQ(dialog->Load()->text().toStdString(), FormatTargetLoad(*window.Form().Target()).load);
  EXPECT_FALSE(dialog->SteadyBox(5)->text().isEmpty());
  ASSERT_TRUE(dialog->ApplyButton()->isEnabled());

  const std::string quality = window.Form().Target()->inflowQualityText;
  QTest::mouseClick(dialog->ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(Text(Text8), quality);
  EXPECT_NE(Text(Text10), test::kStartTexts[9]);
  // The dialog followed the case: the load now is the target's.
  EXPECT_EQ(dialog->Reduction()->text(), QStringLiteral(" 0"));

  // A second use of the menu brings back the same dialog.
  dialog->hide();
  window.Action(MenuItem::TargetLoad)->trigger();
  EXPECT_EQ(window.TargetLoadDialog(), dialog);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(WindowTest, RunItemsWaitForARunAndTheChartFollowsRuns) {
  QAction* chart = window.Action(MenuItem::Chart);
  QAction* series = window.Action(MenuItem::SaveSeries);
  QAction* copy = window.Action(MenuItem::CopyResults);
  EXPECT_FALSE(chart->isEnabled());
  EXPECT_FALSE(series->isEnabled());
  EXPECT_FALSE(copy->isEnabled());
  EXPECT_TRUE(window.Action(MenuItem::OpenCase)->isEnabled());

  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_TRUE(chart->isEnabled());
  EXPECT_TRUE(series->isEnabled());
  EXPECT_TRUE(copy->isEnabled());
  EXPECT_EQ(window.Chart(), nullptr);

  chart->trigger();
  ChartWindow* shown = window.Chart();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->windowTitle(), QStringLiteral("時系列グラフ - 無題 - Kurimo"));
  EXPECT_EQ(shown->Chart()->title(), QStringLiteral("湾内ボックスの濃度の時間変化（無題）"));
  // The default bay renews its fresh water in 629.4 days, but the mouth's exchange
  // flushes it in 50.6.
  EXPECT_EQ(shown->Times()->text(),
            QStringLiteral("淡水の滞留時間 629.4 日　　交換を含むフラッシング時間 50.6 日"));
  // The run ends on day 6294: the axis ends at the round tick just past it, not at 7000.
  EXPECT_EQ(shown->DayAxis()->max(), 6500.0);
  EXPECT_EQ(shown->DayAxis()->categoriesLabels(),
            QStringList({"0", "1000", "2000", "3000", "4000", "5000", "6000", "6500"}));
  const BayModel& model = window.Form().Model();
  const std::size_t points = model.Series.points.size();
  for (int box = 1; box <= 5; ++box) {
    QLineSeries* line = shown->BoxSeries(box);
    ASSERT_EQ(static_cast<std::size_t>(line->count()), points);
    EXPECT_EQ(line->at(0).y(), 2.4);
    EXPECT_EQ(line->at(line->count() - 1).y(), model.Concentration[1][box]);
    EXPECT_EQ(line->at(line->count() - 1).x(), model.Series.points.back().day);
    EXPECT_EQ(shown->SteadySeries(box)->pen().style(), Qt::DashLine);
    EXPECT_EQ(shown->SteadySeries(box)->at(0).y(), model.SteadyState()[box - 1]);
  }
  EXPECT_EQ(shown->BoxSeries(1)->name(), QStringLiteral("ボックス1（湾奥）"));
  EXPECT_EQ(shown->BoxSeries(5)->name(), QStringLiteral("ボックス5（湾口）"));
  EXPECT_EQ(shown->OpenSeaSeries()->at(0).y(), 2.4);
  EXPECT_EQ(shown->DayAxis()->titleText(), QStringLiteral("経過日数（日）"));
  EXPECT_EQ(shown->ConcentrationAxis()->titleText(), QStringLiteral("濃度（g/m3）"));
  EXPECT_GE(shown->ConcentrationAxis()->max(), model.Concentration[1][1]);
  // Five box colours, all different.
  QList<QColor> colours;
  for (int box = 1; box <= 5; ++box) {
    const QColor colour = shown->BoxSeries(box)->pen().color();
    EXPECT_FALSE(colours.contains(colour));
    colours << colour;
  }

  // An edit switches the items off; the open chart keeps the last run until the next.
  TypeOver(Text8, "20");
  EXPECT_FALSE(chart->isEnabled());
  EXPECT_FALSE(copy->isEnabled());
  EXPECT_EQ(shown->BoxSeries(1)->at(shown->BoxSeries(1)->count() - 1).y(),
            model.Concentration[1][1]);
  const double before = model.Concentration[1][1];
  presenter.messages.clear();
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_GT(model.Concentration[1][1], before);
  EXPECT_EQ(shown->BoxSeries(1)->at(shown->BoxSeries(1)->count() - 1).y(),
            model.Concentration[1][1]);
}

// The report's items wait for a run of the current conditions like the chart's; the PDF
// goes where the dialog says, printing where the printer dialog says, a failure is told.
TEST_F(WindowTest, ReportItemsWaitForARunThenWriteAndPrintThePage) {
  QAction* pdf = window.Action(MenuItem::SaveReportPdf);
  QAction* print = window.Action(MenuItem::PrintReport);
  auto isPdf = [](const std::string& path) { return test::ReadBytes(path).rfind("%PDF-", 0) == 0; };
  EXPECT_FALSE(pdf->isEnabled());
  EXPECT_FALSE(print->isEnabled());
  presenter.fileAnswer = folder.File("report.pdf");
  pdf->trigger();
  EXPECT_TRUE(presenter.fileQuestions.empty());

  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  presenter.messages.clear();
  ASSERT_TRUE(pdf->isEnabled());
  ASSERT_TRUE(print->isEnabled());
  pdf->trigger();
  EXPECT_EQ(presenter.fileQuestions, std::vector<FileChoice>{FileChoice::SavePdf});
  EXPECT_TRUE(isPdf(folder.File("report.pdf")));

  presenter.printerFile = folder.File("printed.pdf");
  print->trigger();
  EXPECT_EQ(presenter.printerQuestions, 1);
  EXPECT_TRUE(isPdf(folder.File("printed.pdf")));
  presenter.printerFile.reset();  // the user cancels the printer dialog: nothing is said
  print->trigger();
  EXPECT_EQ(presenter.printerQuestions, 2);
  EXPECT_TRUE(presenter.messages.empty());

  presenter.fileAnswer = folder.File("no-such-folder/report.pdf");
  pdf->trigger();
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "PDFファイルのエラー");
  EXPECT_NE(presenter.messages[0].text.find("no-such-folder/report.pdf"), std::string::npos);

  TypeOver(Text9, "300");
  EXPECT_FALSE(pdf->isEnabled());
  EXPECT_FALSE(print->isEnabled());
}

TEST_F(WindowTest, MenuShortcutsWorkWithTheFocusInABox) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  QLineEdit* box = window.Box(Text1);
  box->setFocus();
  // The boxes keep their own editing keys; the menu's keys must not be among them.
  QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
  ASSERT_NE(window.Chart(), nullptr);
  EXPECT_TRUE(window.Chart()->isVisible());
  window.activateWindow();
  box->setFocus();
  QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(presenter.fileQuestions,
            (std::vector<FileChoice>{FileChoice::SaveSeries, FileChoice::SaveCase,
                                     FileChoice::OpenCase}));
  EXPECT_EQ(Text(Text1), " 1000");
}

TEST_F(WindowTest, CopiedResultsReachTheClipboardFromTheKeysInABox) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("before"));
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  QLineEdit* box = window.Box(Text1);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const QString copied = clipboard->text();
  EXPECT_TRUE(copied.startsWith(QStringLiteral("項目\t値\t単位\nケース\t無題\t\n計算条件\n")))
      << copied.toStdString();
  EXPECT_TRUE(copied.contains(QStringLiteral("\n湾内平均水質\t3.15\tg/m3\n")));
  EXPECT_TRUE(copied.endsWith(QStringLiteral("\nボックス5（湾口）の水質\t2.66\tg/m3\n")));
  EXPECT_EQ(Text(Text1), " 1000");  // the box itself is left alone
}

TEST_F(WindowTest, CaseAndSeriesFilesGoWhereTheDialogSays) {
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  presenter.messages.clear();
  presenter.fileAnswer = folder.File("series.csv");
  window.Action(MenuItem::SaveSeries)->trigger();
  ASSERT_EQ(presenter.fileQuestions.size(), 1u);
  EXPECT_EQ(presenter.fileQuestions[0], FileChoice::SaveSeries);
  EXPECT_EQ(test::ReadBytes(folder.File("series.csv")).substr(0, 3), "\xEF\xBB\xBF");

  TypeOver(Text1, "1,500");
  window.List(MultiplierList::Quantity)->setCurrentRow(4);
  ASSERT_EQ(Text(Text1), "1,500");
  presenter.messages.clear();  // the keystrokes on the way may not pass their check
  const std::string volume = Text(Text3), load = Text(Text12);
  presenter.fileAnswer = folder.File("case.json");
  window.Action(MenuItem::SaveCase)->trigger();
  QTest::mouseClick(window.Command(3), Qt::LeftButton);
  EXPECT_EQ(Text(Text1), " 1000");
  window.Action(MenuItem::OpenCase)->trigger();
  EXPECT_EQ(Text(Text1), "1,500");
  EXPECT_EQ(Text(Text3), volume);
  EXPECT_EQ(Text(Text12), load);
  EXPECT_EQ(window.List(MultiplierList::Quantity)->currentRow(), 4);
  EXPECT_EQ(window.Form().Model().QuantityFactor, 1.2);
  EXPECT_EQ(presenter.messages, std::vector<ShownMessage>{});
}

TEST_F(WindowTest, SensitivityWindowShowsEachListWithTheCurrentCaseMarked) {
  window.List(MultiplierList::Quality)->setCurrentRow(5);  // 1.5
  window.Action(MenuItem::Sensitivity)->trigger();
  SensitivityWindow* shown = window.Sensitivity();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->ListSeries(MultiplierList::Section)->count(), 7);
  EXPECT_EQ(shown->ListSeries(MultiplierList::Quality)->count(), 8);
  EXPECT_EQ(shown->ListSeries(MultiplierList::Quantity)->count(), 8);
  // The current case sits on every line at its own factor: 1.0, 1.5, 1.0.
  QScatterSeries* marks = shown->CurrentCase();
  ASSERT_EQ(marks->count(), 3);
  EXPECT_EQ(marks->at(0).x(), 1.0);
  EXPECT_EQ(marks->at(1).x(), 1.5);
  EXPECT_EQ(marks->at(2).x(), 1.0);
  EXPECT_EQ(marks->at(0).y(), marks->at(1).y());

  QTableWidget* table = shown->Table();
  ASSERT_EQ(table->rowCount(), 23);
  EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("湾口部断面積"));
  EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("×0.2"));
  EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("完了"));
  // The mean of the current case, as the start button gives it.
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_EQ(marks->at(0).y(), window.Form().Model().BayAverage[1]);
  EXPECT_EQ(table->item(12, 1)->text(), QStringLiteral("×1.5"));
  EXPECT_TRUE(table->item(12, 2)->font().bold());
  EXPECT_EQ(table->item(12, 2)->text(),
            QString::number(window.Form().Model().BayAverage[1], 'f', 3));
}

// Drags the data onto a widget and drops it there, as a file manager does; true when the
// window took the drag. Whatever the drop queued (opening the file) has run on return.
bool DragAndDrop(QWidget* target, const QMimeData& data,
                 Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);  // never a move: the file stays where it is
  QCoreApplication::processEvents();
  return true;
}

// The data a file manager drags: the files' addresses, and the same as text.
std::unique_ptr<QMimeData> DraggedFiles(const QList<QUrl>& urls) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls(urls);
  QStringList names;
  for (const QUrl& url : urls)
    names << url.toString();
  data->setText(names.join(QLatin1Char('\n')));
  return data;
}

TEST_F(WindowTest, ACaseFileDroppedOnTheWindowOrABoxOpensAndNamesTheWindow) {
  const QString title = QStringLiteral(" 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");
  SavedCase saved = DefaultSavedCase();
  saved.texts[0] = "1,500";
  saved.entries[2] = "1.2";
  const std::string good = folder.File("湾A.kurimo");
  ASSERT_EQ(WriteCaseFile(good, saved), std::nullopt);
  const std::string bad = folder.File("壊れた.kurimo");
  std::ofstream(bad, std::ios::binary) << "{not json";
  const QUrl goodUrl = QUrl::fromLocalFile(QString::fromStdString(good));

  struct Refused {
    const char* name;
    QList<QUrl> urls;
    Qt::DropActions actions;
  };
  const Refused refused[] = {
      {"two files", {goodUrl, QUrl::fromLocalFile(QString::fromStdString(bad))}, Qt::CopyAction},
      {"a web address", {QUrl(QStringLiteral("https://example.com/湾A.kurimo"))}, Qt::CopyAction},
      {"a move only", {goodUrl}, Qt::MoveAction},
  };
  for (const Refused& row : refused) {
    for (QWidget* target :
         {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.Box(Text1))}) {
      EXPECT_FALSE(DragAndDrop(target, *DraggedFiles(row.urls), row.actions)) << row.name;
    }
  }
  EXPECT_EQ(Text(Text1), " 1000");
  EXPECT_EQ(window.windowTitle(), title);

  // A file that is not a case: taken, then refused with the usual message.
  EXPECT_TRUE(
      DragAndDrop(&window, *DraggedFiles({QUrl::fromLocalFile(QString::fromStdString(bad))})));
  ASSERT_EQ(presenter.messages.size(), 1u);
  EXPECT_EQ(presenter.messages[0].title, "ケースファイルのエラー");
  EXPECT_NE(presenter.messages[0].text.find("壊れた.kurimo"), std::string::npos);
  EXPECT_EQ(Text(Text1), " 1000");
  EXPECT_EQ(window.windowTitle(), title);

  // Dropped on a box, the file opens rather than its address being typed into the box.
  presenter.messages.clear();
  EXPECT_TRUE(DragAndDrop(window.Box(Text1), *DraggedFiles({goodUrl})));
  EXPECT_EQ(presenter.messages, std::vector<ShownMessage>{});
  EXPECT_EQ(Text(Text1), "1,500");
  EXPECT_EQ(window.List(MultiplierList::Quantity)->currentItem()->text(), QStringLiteral("1.2"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("湾A.kurimo - ") + title.trimmed());

  // While a run is going no drag is taken.
  QTest::mouseClick(window.Command(3), Qt::LeftButton);
  TypeOver(Text9, "1");  // a long run
  window.SetProgressDelay(0);
  std::optional<bool> takenDuringRun;
  QTimer::singleShot(0, [&] {
    takenDuringRun = DragAndDrop(&window, *DraggedFiles({goodUrl}));
    if (window.ProgressDialog() != nullptr) window.ProgressDialog()->cancel();
  });
  QTest::mouseClick(window.Command(1), Qt::LeftButton);
  EXPECT_EQ(takenDuringRun, false);
  EXPECT_EQ(Text(Text9), "1");
}

TEST_F(WindowTest, ExitButtonClosesTheWindow) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mouseClick(window.Command(2), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
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
