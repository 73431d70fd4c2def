#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <algorithm>

#include "chart_window.h"
#include "look.h"
#include "qt_text.h"
#include "report_page.h"
#include "sensitivity_window.h"
#include "target_dialog.h"

namespace kurimo {
namespace {

const QString kTitle = QStringLiteral(" 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10");

// Client area when the window opens, in twips.
constexpr int kClientWidth = 8625;
constexpr int kClientHeight = 6675;

const QColor kLightYellow(255, 255, 192);
const QColor kWhite(255, 255, 255);
const QColor kOrange(255, 192, 128);  // headings
const QColor kGreen(192, 255, 192);   // basic conditions
const QColor kCyan(192, 255, 255);    // multipliers
const QColor kPink(255, 192, 255);    // indicators
const QColor kResult(128, 255, 255);  // result caption
const QColor kNoteGrey(224, 224, 224);
const QColor kButtonPink(255, 192, 192);
// The keyboard focus: a thick dark-blue edge on a list or a button.
const QColor kFocusColour(0, 70, 200);

// A button's colour while it is held down: a quarter darker.
QColor PressedColour(const QColor& colour) {
  return QColor(colour.red() * 3 / 4, colour.green() * 3 / 4, colour.blue() * 3 / 4);
}

void SetBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

QFont SizedFont(double points, bool bold = false) {
  QFont font = QApplication::font();
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

TwipsScale ScreenScale() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpiX = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
  const double dpiY = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  return {dpiX, dpiY};
}

// Shows a window of the program, or brings it to the front when it is already open.
void BringToFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

int ListIndex(MultiplierList list) {
  return static_cast<int>(list);
}

}  // namespace

GroupFrame::GroupFrame(QWidget* parent, const QString& caption, bool showCaption)
    : QWidget(parent), caption_(caption), showCaption_(showCaption) {
  setAccessibleName(caption);
}

void GroupFrame::SetColour(const QColor& colour) {
  colour_ = colour;
  update();
}

void GroupFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (showCaption_) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(rect().adjusted(3, 1, -2, -2), Qt::AlignLeft | Qt::AlignTop, caption_);
  }
}

MainWindow::MainWindow(MessagePresenter& messages, std::string outputPath)
    : messages_(messages), scale_(ScreenScale()), form_(*this, std::move(outputPath)) {
  setWindowTitle(kTitle);
  client_ = new QWidget(this);
  setCentralWidget(client_);
  const QSize clientSize(scale_.PixelsX(kClientWidth), scale_.PixelsY(kClientHeight));
  client_->resize(clientSize);
  BuildMenus();
  // The menu bar stands above the client area, which keeps its size.
  resize(clientSize.width(), clientSize.height() + menuBar()->sizeHint().height());
  BuildControls();
  SetTabOrder();
  client_->installEventFilter(this);
  // Case files can be dropped anywhere on the window; the boxes would otherwise take a
  // dragged file's address as text.
  setAcceptDrops(true);
  for (QLineEdit* box : boxes_) {
    if (box != nullptr) box->installEventFilter(this);
  }
  form_.FormLoad();
}

void MainWindow::SetTabOrder() {
  // Reading order: the defaults button on the top row, the six editable boxes, the three
  // lists, then the two buttons beside the schematic. The computed boxes are passed by.
  const std::array<QWidget*, 12> chain = {Command(3),
                                          Box(TextBox::Text1),
                                          Box(TextBox::Text2),
                                          Box(TextBox::Text4),
                                          Box(TextBox::Text7),
                                          Box(TextBox::Text8),
                                          Box(TextBox::Text9),
                                          List(MultiplierList::Section),
                                          List(MultiplierList::Quality),
                                          List(MultiplierList::Quantity),
                                          Command(1),
                                          Command(2)};
  for (std::size_t i = 0; i + 1 < chain.size(); ++i)
    QWidget::setTabOrder(chain[i], chain[i + 1]);
  Box(TextBox::Text1)->setFocus();
  // F10 opens the first menu, as on other desktops; the menus' access keys and Alt alone
  // reach the menu bar too.
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(f10, &QShortcut::activated, this,
          [this] { menuBar()->setActiveAction(menuBar()->actions().first()); });
}

MainWindow::~MainWindow() {
  client_->removeEventFilter(this);
  for (QLineEdit* box : boxes_) {
    if (box != nullptr) box->removeEventFilter(this);
  }
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* menu, MenuItem item, const QString& text, const QKeySequence& keys,
                    void (MainForm::*handler)()) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, [this, handler] { (form_.*handler)(); });
    actions_[static_cast<std::size_t>(item)] = action;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  add(file, MenuItem::OpenCase, QStringLiteral("ケースを開く(&O)…"), QKeySequence::Open,
      &MainForm::MenuOpenCase);
  add(file, MenuItem::SaveCase, QStringLiteral("ケースを保存(&S)…"), QKeySequence::Save,
      &MainForm::MenuSaveCase);
  file->addSeparator();
  add(file, MenuItem::OutputFile, QStringLiteral("出力ファイルの保存先(&D)…"), QKeySequence(),
      &MainForm::MenuOutputFile);
  add(file, MenuItem::SaveSeries, QStringLiteral("時系列をCSVで保存(&E)…"),
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), &MainForm::MenuSaveSeries);
  file->addSeparator();
  add(file, MenuItem::SaveReportPdf, QStringLiteral("報告書をPDFで保存(&P)…"), QKeySequence(),
      &MainForm::MenuSaveReportPdf);
  add(file, MenuItem::PrintReport, QStringLiteral("印刷(&R)…"), QKeySequence(Qt::CTRL | Qt::Key_P),
      &MainForm::MenuPrintReport);
  file->addSeparator();
  add(file, MenuItem::Exit, QStringLiteral("終了(&X)"), QKeySequence(Qt::CTRL | Qt::Key_Q),
      &MainForm::MenuExit);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  add(edit, MenuItem::CopyResults, QStringLiteral("結果をコピー(&C)"),
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &MainForm::MenuCopyResults);
  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  add(view, MenuItem::Chart, QStringLiteral("時系列グラフ(&G)…"),
      QKeySequence(Qt::CTRL | Qt::Key_G), &MainForm::MenuShowChart);
  add(view, MenuItem::Sensitivity, QStringLiteral("感度分析(&T)…"),
      QKeySequence(Qt::CTRL | Qt::Key_T), &MainForm::MenuSensitivity);
  add(view, MenuItem::TargetLoad, QStringLiteral("負荷削減の試算(&L)…"),
      QKeySequence(Qt::CTRL | Qt::Key_L), &MainForm::MenuTargetLoad);
  QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  add(help, MenuItem::About, QStringLiteral("このプログラムについて(&A)…"),
      QKeySequence::HelpContents, &MainForm::MenuAbout);
}

QAction* MainWindow::Action(MenuItem item) const {
  return actions_[static_cast<std::size_t>(item)];
}

void MainWindow::BuildControls() {
  picture1_ = new QWidget(client_);
  picture1_->setObjectName(QStringLiteral("Picture1"));
  picture1_->setGeometry(scale_.Rect(0, 120, 8532, 6492));
  SetBackground(picture1_, QPalette::Window, kLightYellow);
  picture1_->setAutoFillBackground(true);

  picture2_ = new PanelWidget(picture1_, scale_);
  picture2_->setObjectName(QStringLiteral("Picture2"));
  picture2_->setGeometry(scale_.Rect(120, 240, 8172, 6012));
  SetBackground(picture2_, QPalette::Window, kWhite);
  QFont panelFont(kPanelFontFace);
  panelFont.setPointSizeF(7.5);
  picture2_->setFont(panelFont);
  picture2_->SetDrawFont(panelFont);
  picture2_->PrepareImage();
  QWidget* p = picture2_;

  // Controls that carry a font of their own get it explicitly; the others inherit the
  // window's face.
  const QFont ownFont = SizedFont(kWindowFontPoints);
  auto label = [&](const char* name, int l, int t, int w, int h, const char* caption,
                   std::optional<QColor> colour, Qt::Alignment align) {
    QLabel* created =
        AddLabel(QString::fromLatin1(name), p, l, t, w, h, QString::fromUtf8(caption));
    created->setFont(ownFont);
    if (colour) {
      SetBackground(created, QPalette::Window, *colour);
      created->setAutoFillBackground(true);
    }
    created->setAlignment(align | Qt::AlignVCenter);
    return created;
  };
  const Qt::Alignment heading = Qt::AlignLeft;
  const Qt::Alignment caption = Qt::AlignRight;

  label("Label1", 120, 120, 3372, 252, "計算対象水域の基本条件（変更できます）", kOrange, heading);
  AddButton(3, 4200, 120, 1572, 252, QStringLiteral("デフォルトに戻す"), QColor(0, 255, 0));

  label("Label12", 360, 480, 1212, 252, "湾面積(km2)", kGreen, caption);
  AddBox(TextBox::Text1, false, 1560, 480, 1332, 264);
  label("Label13", 2880, 480, 1332, 252, "×平均水深(m)", kGreen, caption);
  AddBox(TextBox::Text2, false, 4200, 480, 732, 264);
  label("Label14", 4920, 480, 1692, 252, "＝湾容積(km3)", kGreen, caption);
  AddBox(TextBox::Text3, true, 6600, 480, 1332, 264);

  label("Label15", 360, 720, 1332, 252, "湾口部長さ(km)", kGreen, caption);
  AddBox(TextBox::Text4, false, 1560, 720, 1332, 264);
  label("Label16", 2880, 720, 1452, 252, "×湾口部水深(m)", kGreen, caption);
  AddBox(TextBox::Text5, true, 4200, 720, 732, 264);
  label("Label17(0)", 4920, 720, 1812, 252, "＝湾口部断面積(km2)", kGreen, caption);
  AddBox(TextBox::Text6, true, 6600, 720, 1332, 264);

  label("Label18", 360, 960, 1572, 252, "外海水水質(g/m3)", kGreen, caption);
  AddBox(TextBox::Text7, false, 1920, 960, 852, 264);

  label("Label20", 360, 1320, 1572, 252, "流入水水質(g/m3)", kGreen, caption);
  AddBox(TextBox::Text8, false, 1920, 1320, 612, 264);
  label("Label21", 2520, 1320, 1812, 252, "×流入水流量(m3/秒)", kGreen, caption);
  AddBox(TextBox::Text9, false, 4320, 1320, 972, 264);
  label("Label22(0)", 5280, 1320, 1692, 252, "＝流入負荷量(g/秒)", kGreen, caption);
  AddBox(TextBox::Text10, true, 6960, 1320, 1092, 264);

  label("Label19", 120, 1680, 2412, 252, "基本条件の変更できます", kOrange, heading);
  label("Label5", 2760, 1680, 4092, 252, "※基本条件ケースの×0.2～×5倍の範囲で変更できます。",
        kNoteGrey, heading)
      ->setFont(SizedFont(7.5));

  label("Label3", 360, 2040, 1332, 252, "湾口部断面積", kCyan, caption);
  AddList(MultiplierList::Section, 1680, 2040, 972, 240);
  label("Label17(1)", 4680, 2040, 1812, 252, "＝湾口部断面積(km2)", kCyan, caption);
  AddBox(TextBox::Text11, true, 6480, 2040, 1212, 264);

  label("Label4", 360, 2280, 1332, 252, "流入水水質", kCyan, caption);
  AddList(MultiplierList::Quality, 1680, 2280, 972, 240);
  label("Label9", 2760, 2280, 972, 252, "流入水流量", kCyan, caption);
  AddList(MultiplierList::Quantity, 3720, 2280, 852, 240);
  label("Label22(1)", 4680, 2280, 1812, 252, "＝流入負荷量(g/秒)", kCyan, caption);
  AddBox(TextBox::Text12, true, 6480, 2280, 1212, 264);

  label("Label23", 120, 2640, 1212, 252, "※水質指標※", kPink, heading);
  label("Label24", 1560, 2640, 1092, 252, "滞留時間(日)", kPink, caption);
  AddBox(TextBox::Text13, true, 2640, 2640, 1212, 264);
  label("Label25", 4320, 2640, 852, 252, "閉鎖度", kPink, caption);
  AddBox(TextBox::Text14, true, 5160, 2640, 972, 264);
  label("Label26", 1560, 2880, 2772, 252, "流入負荷量÷湾容積（g/m3/日)", kPink, caption);
  AddBox(TextBox::Text15, true, 4320, 2880, 1332, 264);

  label("Label2", 120, 3240, 1332, 252, "計算結果", kOrange, heading);
  label("Label6", 1560, 3240, 1692, 252, "湾内平均水質(g/m3)", kResult, caption);
  AddBox(TextBox::Text16, true, 3240, 3240, 1092, 264);

  // The schematic: river -> five bay boxes -> open sea, with arrows and glosses above.
  label("Label7", 840, 3600, 492, 252, "　⇒", kWhite, heading)->setFont(SizedFont(12, true));
  label("Label10", 1320, 3600, 1212, 252, "(河川から流入）", std::nullopt, heading)
      ->setFont(SizedFont(7.5));
  label("Label8", 4440, 3600, 492, 252, "　⇒", std::nullopt, heading)->setFont(SizedFont(12, true));
  label("Label11", 4920, 3600, 1092, 252, "(外海へ流出)", std::nullopt, heading)
      ->setFont(SizedFont(7.5));

  AddGroup(kInflowGroup, 480, 4080, 852, 612, QStringLiteral("(流入水)"), true,
           QColor(255, 128, 0));
  const QColor bayStart(128, 255, 255);
  AddGroup(1, 1320, 3840, 732, 1452, QStringLiteral("(湾内水)"), false, bayStart);
  AddGroup(2, 2040, 3840, 732, 1452, QStringLiteral("(湾内水)"), false, bayStart);
  AddGroup(3, 2760, 3840, 732, 1452, QStringLiteral("(湾内水：計算対象水域)"), false, bayStart);
  AddGroup(4, 3480, 3840, 732, 1452, QStringLiteral("(湾内水：計算対象水域)"), false, bayStart);
  AddGroup(5, 4200, 3840, 732, 1452, QStringLiteral("(湾内水：計算対象水域)"), false, bayStart);
  AddGroup(kOpenSeaGroup, 4920, 3840, 852, 1452, QStringLiteral("(外海水)"), true,
           QColor(128, 128, 255));
  // The bay's name sits in the middle box and lets the box's colour show through.
  QLabel* bayName =
      AddLabel(QStringLiteral("Label27"), groups_[3], 0, 0, 732, 252, QStringLiteral("（湾内水）"));
  bayName->setFont(SizedFont(7.5));
  bayName->setAlignment(Qt::AlignCenter);

  AddButton(1, 6360, 3840, 1212, 492, QStringLiteral("計算開始"), kButtonPink);
  AddButton(2, 6360, 4440, 1212, 492, QStringLiteral("終了（閉じる）"), kButtonPink);

  FitCaptions();
}

void MainWindow::FitCaptions() {
  // Several boxes start a little inside the label to their left. A caption ends where
  // its box begins, and one that would not fit there is set a little smaller.
  for (QLabel* caption : picture2_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (!(caption->alignment() & Qt::AlignRight)) continue;
    int covered = 0;
    for (QWidget* other : picture2_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (other == caption || qobject_cast<QLabel*>(other) != nullptr) continue;
      // Only a control on the caption's own row: the boxes of the row above reach a pixel
      // or two into it.
      const int middle = caption->geometry().center().y();
      const bool sameRow = other->y() <= middle && middle <= other->geometry().bottom();
      if (sameRow && other->x() > caption->x() && other->x() <= caption->geometry().right()) {
        covered = std::max(covered, caption->geometry().right() - other->x() + 1);
      }
    }
    caption->setContentsMargins(2, 0, 2 + covered, 0);
    QFont font = caption->font();
    while (font.pointSizeF() > 7.5 && QFontMetrics(font).horizontalAdvance(caption->text()) >
                                          caption->contentsRect().width()) {
      font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    caption->setFont(font);
  }
}

QLabel* MainWindow::AddLabel(const QString& name, QWidget* parent, int left, int top, int width,
                             int height, const QString& caption) {
  auto* created = new QLabel(caption, parent);
  created->setObjectName(name);
  created->setGeometry(scale_.Rect(left, top, width, height));
  created->setContentsMargins(2, 0, 2, 0);
  return created;
}

void MainWindow::AddBox(TextBox box, bool display, int left, int top, int width, int height) {
  auto* edit = new QLineEdit(picture2_);
  const int number = static_cast<int>(box);
  edit->setObjectName(QStringLiteral("Text%1").arg(number));
  edit->setGeometry(scale_.Rect(left, top, width, height));
  edit->setTextMargins(1, 0, 1, 0);
  if (display) {
    // The system writes these; the user can select and copy their text but not change it,
    // and Tab passes them by.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    SetBackground(edit, QPalette::Base, kLightYellow);
    QFont font(kPanelFontFace);
    font.setPointSizeF(9);
    font.setBold(true);
    font.setItalic(true);
    edit->setFont(font);
  } else {
    edit->setFont(SizedFont(kWindowFontPoints));
  }
  edit->setText(QStringLiteral("Text%1").arg(number));
  boxes_[number] = edit;
  // Every change, typed or written by the program, reaches the handler.
  connect(edit, &QLineEdit::textChanged, this, [this, box] { form_.TextChange(box); });
}

void MainWindow::AddList(MultiplierList list, int left, int top, int width, int height) {
  auto* created = new QListWidget(picture2_);
  created->setObjectName(QStringLiteral("List%1").arg(ListIndex(list) + 1));
  created->setGeometry(scale_.Rect(left, top, width, height));
  created->setFont(SizedFont(kWindowFontPoints));
  created->setSelectionMode(QAbstractItemView::SingleSelection);
  created->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  created->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  created->setUniformItemSizes(true);
  created->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  created->setFocusPolicy(Qt::StrongFocus);
  // The selection stays as plain to see when the focus is elsewhere, and the focus shows
  // as a thick edge.
  QPalette palette = created->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  created->setPalette(palette);
  created->setStyleSheet(QStringLiteral("QListWidget { border: 1px solid rgb(120, 120, 120); }"
                                        "QListWidget:focus { border: 2px solid %1; }")
                             .arg(kFocusColour.name()));
  lists_[ListIndex(list)] = created;
  // One row shows one entry, and it is always the selected one: the arrows and the wheel
  // scroll, and scrolling to an entry selects it, as a click on it would. Keys move the
  // selection themselves. Only an entry becoming selected runs the handler; moving the
  // keyboard focus onto the list makes an entry current without selecting it.
  connect(created->verticalScrollBar(), &QScrollBar::valueChanged, this, [created](int row) {
    QListWidgetItem* item = created->item(row);
    if (item != nullptr && !item->isSelected())
      created->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
  });
  connect(created, &QListWidget::itemSelectionChanged, this, [this, list, created] {
    const QList<QListWidgetItem*> selected = created->selectedItems();
    if (selected.isEmpty()) return;
    created->scrollToItem(selected.first(), QAbstractItemView::PositionAtTop);
    form_.ListClick(list);
  });
}

QPushButton* MainWindow::AddButton(int number, int left, int top, int width, int height,
                                   const QString& caption, QColor colour) {
  auto* button = new QPushButton(caption, picture2_);
  button->setObjectName(QStringLiteral("Command%1").arg(number));
  button->setGeometry(scale_.Rect(left, top, width, height));
  button->setFont(SizedFont(kWindowFontPoints));
  SetBackground(button, QPalette::Button, colour);
  // The button's own colour, flat; a darker shade while pressed; the focus as a thick edge.
  button->setStyleSheet(
      QStringLiteral("QPushButton { background-color: %1; border: 1px solid rgb(96, 96, 96); }"
                     "QPushButton:pressed { background-color: %2; }"
                     "QPushButton:focus { border: 2px solid %3; }")
          .arg(colour.name(), PressedColour(colour).name(), kFocusColour.name()));
  // Enter presses the focused button as Space does.
  button->setAutoDefault(true);
  commands_[number] = button;
  connect(button, &QPushButton::clicked, this, [this, number] {
    if (number == 1) form_.Command1Click();
    if (number == 2) form_.Command2Click();
    if (number == 3) form_.Command3Click();
  });
  return button;
}

void MainWindow::AddGroup(int group, int left, int top, int width, int height,
                          const QString& caption, bool showCaption, QColor colour) {
  auto* frame = new GroupFrame(picture2_, caption, showCaption);
  frame->setObjectName(group <= kLastBayGroup  ? QStringLiteral("Frame1(%1)").arg(group - 1)
                       : group == kInflowGroup ? QStringLiteral("Frame2")
                                               : QStringLiteral("Frame3"));
  frame->setGeometry(scale_.Rect(left, top, width, height));
  frame->setFont(SizedFont(kWindowFontPoints));
  frame->SetColour(colour);
  groups_[group] = frame;
}

QLineEdit* MainWindow::Box(TextBox box) const {
  return boxes_[static_cast<int>(box)];
}
QListWidget* MainWindow::List(MultiplierList list) const {
  return lists_[ListIndex(list)];
}
GroupFrame* MainWindow::Group(int group) const {
  return groups_[group];
}
QPushButton* MainWindow::Command(int number) const {
  return commands_[number];
}
QLabel* MainWindow::Label(const QString& name) const {
  return findChild<QLabel*>(name);
}

std::string MainWindow::BoxText(TextBox box) const {
  return Box(box)->text().toStdString();
}

void MainWindow::SetBoxText(TextBox box, std::string_view text) {
  QLineEdit* edit = Box(box);
  edit->setText(ToQString(text));
  // A written value reads from its first digit: a long number would otherwise show only
  // its end, which reads as another number.
  if (edit->isReadOnly()) edit->setCursorPosition(0);
}

void MainWindow::SetListEntryText(MultiplierList list, int index, std::string_view text) {
  QListWidget* target = List(list);
  while (target->count() <= index)
    target->addItem(QString());
  target->item(index)->setText(ToQString(text));
}

std::string MainWindow::ListEntryText(MultiplierList list, int index) const {
  const QListWidgetItem* item = List(list)->item(index);
  return item != nullptr ? item->text().toStdString() : std::string();
}

int MainWindow::SelectedListIndex(MultiplierList list) const {
  const QList<QListWidgetItem*> selected = List(list)->selectedItems();
  return selected.isEmpty() ? -1 : List(list)->row(selected.first());
}

void MainWindow::SelectListEntry(MultiplierList list, std::string_view text) {
  QListWidget* target = List(list);
  const QList<QListWidgetItem*> found = target->findItems(ToQString(text), Qt::MatchExactly);
  if (found.isEmpty()) return;
  target->setCurrentItem(found.first(), QItemSelectionModel::ClearAndSelect);
}

void MainWindow::SetGroupColour(int group, PackedColour colour) {
  Group(group)->SetColour(ToQColor(colour));
}

void MainWindow::ShowMessage(std::string_view text, std::string_view title) {
  messages_.Show(this, text, title);
}

std::string MainWindow::FontFace() const {
  return QApplication::font().family().toStdString();
}

int MainWindow::ClientWidthTwips() const {
  return scale_.TwipsX(client_->width());
}
int MainWindow::ClientHeightTwips() const {
  return scale_.TwipsY(client_->height());
}

void MainWindow::PlaceOuterPanel(int left, int top, int width, int height) {
  picture1_->setGeometry(scale_.Rect(left, top, width, height));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (TakeCaseDrag(event)) return true;
  if (watched == client_ && event->type() == QEvent::Resize) form_.FormResize();
  return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event) {
  if (TakeCaseDrag(event)) return true;
  return QMainWindow::event(event);
}

bool MainWindow::TakeCaseDrag(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drag = static_cast<QDropEvent*>(event);  // the enter and move events derive from it
  const QMimeData* dragged = drag->mimeData();
  if (dragged == nullptr || !dragged->hasUrls()) return false;
  const QList<QUrl> urls = dragged->urls();
  // Only a copy: a file manager that was told the file moved would delete it.
  if (urls.size() != 1 || !urls.first().isLocalFile() || form_.Running() ||
      !(drag->possibleActions() & Qt::CopyAction)) {
    drag->ignore();
    return true;
  }
  drag->setDropAction(Qt::CopyAction);
  drag->accept();
  if (type == QEvent::Drop) {
    // Opened after the drop has finished, so that a message about the file does not keep
    // the program the file came from waiting.
    const std::string path = QFile::encodeName(urls.first().toLocalFile()).toStdString();
    QMetaObject::invokeMethod(
        this, [this, path] { form_.OpenCase(path); }, Qt::QueuedConnection);
  }
  return true;
}

void MainWindow::BeginRun() {
  cancelRequested_ = false;
  runClock_.start();
}

bool MainWindow::ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) {
  if (progress_ == nullptr) {
    // Short runs finish without a dialog, as if the window had simply been busy.
    if (runClock_.elapsed() < progressDelay_) return true;
    progress_ = new QProgressDialog(this);
    progress_->setWindowTitle(QStringLiteral("計算中"));
    progress_->setCancelButtonText(QStringLiteral("中止"));
    progress_->setRange(0, 1000);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    // Application-modal: no other control of the window takes input until the run ends.
    progress_->setWindowModality(Qt::ApplicationModal);
    connect(progress_, &QProgressDialog::canceled, this, [this] { cancelRequested_ = true; });
    UpdateProgress(stepsDone, stepCount);
    progress_->show();
    progressClock_.start();
  } else if (progressClock_.elapsed() >= 100) {
    UpdateProgress(stepsDone, stepCount);
    progressClock_.restart();
  }
  QCoreApplication::processEvents();
  return !cancelRequested_;
}

void MainWindow::UpdateProgress(std::uint64_t stepsDone, std::uint64_t stepCount) {
  const QLocale grouped(QLocale::English);
  const QString label = QStringLiteral("計算中です。\n%1 / %2 ステップ");
  progress_->setLabelText(label.arg(grouped.toString(static_cast<qulonglong>(stepsDone)),
                                    grouped.toString(static_cast<qulonglong>(stepCount))));
  const double fraction =
      stepCount == 0 ? 0.0 : static_cast<double>(stepsDone) / static_cast<double>(stepCount);
  progress_->setValue(static_cast<int>(fraction * 1000.0));
}

void MainWindow::EndRun() {
  if (progress_ != nullptr) {
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
}

std::optional<std::string> MainWindow::ChooseFile(FileChoice choice) {
  return messages_.ChooseFile(this, choice);
}

std::optional<std::string> MainWindow::ChooseOutputFile(std::string_view current) {
  return messages_.ChooseOutputFile(this, current);
}

void MainWindow::SetRunResultsAvailable(bool available) {
  Action(MenuItem::SaveSeries)->setEnabled(available);
  Action(MenuItem::Chart)->setEnabled(available);
  Action(MenuItem::CopyResults)->setEnabled(available);
  Action(MenuItem::SaveReportPdf)->setEnabled(available);
  Action(MenuItem::PrintReport)->setEnabled(available);
}

std::optional<std::string> MainWindow::WriteReportPdf(const std::string& path,
                                                      const ReportContent& report) {
  return WriteReportPdfFile(path, report);
}

std::optional<std::string> MainWindow::PrintReport(const ReportContent& report) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setDocName(ToQString(report.title));
  if (!messages_.ChoosePrinter(this, printer)) return std::nullopt;
  if (!PrintReportOn(printer, report)) return std::string("プリンターに出力できませんでした");
  return std::nullopt;
}

void MainWindow::ShowChart(const RunRecord& record) {
  if (chart_ == nullptr) chart_ = new ChartWindow(this);
  chart_->ShowRecord(record);
  BringToFront(chart_);
}

void MainWindow::UpdateChart(const RunRecord& record) {
  if (chart_ != nullptr) chart_->ShowRecord(record);
}

void MainWindow::SetCaseName(std::string_view fileName) {
  setWindowTitle(ToQString(fileName) + QStringLiteral(" -") + kTitle);
}

void MainWindow::CopyToClipboard(std::string_view text) {
  QGuiApplication::clipboard()->setText(ToQString(text));
}

void MainWindow::ShowSensitivity(const SensitivityFigures& figures) {
  if (sensitivity_ == nullptr) sensitivity_ = new SensitivityWindow(this);
  sensitivity_->ShowFigures(figures);
  BringToFront(sensitivity_);
}

void MainWindow::ShowTargetLoad(const TargetView& view) {
  if (target_ == nullptr) target_ = new TargetDialog(this, form_);
  target_->ShowView(view);
  BringToFront(target_);
}

void MainWindow::UpdateTargetLoad(const TargetView& view) {
  if (target_ != nullptr) target_->ShowView(view);
}

void MainWindow::EndProgram() {
  close();
  QCoreApplication::exit(0);
}

}  // namespace kurimo
