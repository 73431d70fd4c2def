#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QUrl>
#include <algorithm>

#include "chart_window.h"
#include "control_table.h"
#include "group_frame.h"
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
  for (QListWidget* list : lists_) {
    list->removeEventFilter(this);
    list->viewport()->removeEventFilter(this);
    list->verticalScrollBar()->removeEventFilter(this);
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

  for (const layout::Control& c : layout::kControls) {
    const QString caption = c.caption != nullptr ? QString::fromUtf8(c.caption) : QString();
    const QColor colour(c.colour.red, c.colour.green, c.colour.blue);
    switch (c.kind) {
      case layout::Kind::Heading:
      case layout::Kind::Caption: {
        QLabel* created =
            AddLabel(QString::fromLatin1(c.name), p, c.left, c.top, c.width, c.height, caption);
        // Labels carry their font explicitly; the other controls inherit the window's face.
        created->setFont(SizedFont(c.points > 0 ? c.points : kWindowFontPoints, c.bold));
        if (c.colour.red >= 0) {
          SetBackground(created, QPalette::Window, colour);
          created->setAutoFillBackground(true);
        }
        created->setAlignment((c.kind == layout::Kind::Heading ? Qt::AlignLeft : Qt::AlignRight) |
                              Qt::AlignVCenter);
        break;
      }
      case layout::Kind::Box:
      case layout::Kind::Display:
        AddBox(static_cast<TextBox>(c.index), c.kind == layout::Kind::Display, c.left, c.top,
               c.width, c.height);
        break;
      case layout::Kind::List:
        AddList(static_cast<MultiplierList>(c.index), c.left, c.top, c.width, c.height);
        break;
      case layout::Kind::Button:
        AddButton(c.index, c.left, c.top, c.width, c.height, caption, colour);
        break;
      case layout::Kind::Group:
        AddGroup(c.index, c.left, c.top, c.width, c.height, caption, c.captionShown, colour);
        break;
    }
  }
  // The bay's name sits in the middle box and lets the box's colour show through.
  QLabel* bayName =
      AddLabel(QStringLiteral("Label27"), groups_[3], 0, 0, 732, 252, QStringLiteral("（湾内水）"));
  bayName->setFont(SizedFont(7.5));
  bayName->setAlignment(Qt::AlignCenter);

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
  for (QObject* part : {static_cast<QObject*>(created), static_cast<QObject*>(created->viewport()),
                        static_cast<QObject*>(created->verticalScrollBar())})
    part->installEventFilter(this);
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
  if (!EditedCondition(box)) edit->setCursorPosition(0);
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
  if (RefusedListInput(watched, event)) return true;
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
  RefuseConditionInput(true);
  progress_.Begin();
}

bool MainWindow::ContinueRun(std::uint64_t stepsDone, std::uint64_t stepCount) {
  return progress_.Continue(stepsDone, stepCount);
}

void MainWindow::EndRun() {
  progress_.End();
  RefuseConditionInput(false);
}

void MainWindow::RefuseConditionInput(bool refuse) {
  inputRefused_ = refuse;
  // Read-only rather than disabled: the boxes keep their look, their text can still be
  // selected and copied, and the focus stays where it was.
  for (int number = 1; number <= kTextBoxCount; ++number) {
    const auto box = static_cast<TextBox>(number);
    if (EditedCondition(box)) Box(box)->setReadOnly(refuse);
  }
}

bool MainWindow::RefusedListInput(QObject* watched, QEvent* event) const {
  if (!inputRefused_) return false;
  // Not disabled: a disabled list would grey its entry, which reads as a factor not in use,
  // and would lose the keyboard focus.
  const bool partOfList = std::any_of(lists_.begin(), lists_.end(), [watched](QListWidget* list) {
    return watched == list || watched == list->viewport() || watched == list->verticalScrollBar();
  });
  if (!partOfList) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      return key != Qt::Key_Tab && key != Qt::Key_Backtab;  // the focus may still move on
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
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
