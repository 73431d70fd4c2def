#include "message_presenter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpacerItem>
#include <QString>

#include "case_file.h"
#include "file_messages.h"
#include "qt_text.h"

namespace kurimo {
namespace {

// Qt's file dialog writes sizes and dates in the environment's locale, and its Japanese
// translation has no word for a folder's type; these columns are given in Japanese here.
class JapaneseFileColumns final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || index.column() < 1 || index.column() > 3) {
      return QIdentityProxyModel::data(index, role);
    }
    const QFileInfo info = files->fileInfo(mapToSource(index));
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    switch (index.column()) {
      case 1:
        return info.isDir() ? QString() : japanese.formattedDataSize(info.size());
      case 2:
        return info.isDir() ? QStringLiteral("フォルダー") : QIdentityProxyModel::data(index, role);
      default:
        return japanese.toString(info.lastModified(), QLocale::ShortFormat);
    }
  }
};

}  // namespace

void UseJapaneseColumns(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new JapaneseFileColumns(&dialog));
}

void MessageBoxPresenter::Show(QWidget* parent, std::string_view text, std::string_view title) {
  QString shown = ToQString(text);
  // A carriage return alone starts a new line in the message; Qt's labels break only at
  // line feeds.
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QMessageBox box(QMessageBox::NoIcon, ToQString(title), shown, QMessageBox::Ok, parent);
  // A message box sizes itself to its text; make room for the whole title as well, as
  // the title says what the message is about.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int titleWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

std::optional<std::string> MessageBoxPresenter::ChooseFile(QWidget* parent, FileChoice choice) {
  const bool opening = choice == FileChoice::OpenCase;
  const bool series = choice == FileChoice::SaveSeries;
  const bool pdf = choice == FileChoice::SavePdf;
  QFileDialog dialog(parent);
  UseJapaneseColumns(dialog);
  dialog.setWindowTitle(opening  ? QStringLiteral("ケースを開く")
                        : series ? QStringLiteral("時系列をCSVで保存")
                        : pdf    ? QStringLiteral("報告書をPDFで保存")
                                 : QStringLiteral("ケースを保存"));
  dialog.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  const std::string_view filter = series    ? kSeriesCsvFilter
                                  : opening ? kCaseOpenFilter
                                            : kCaseSaveFilter;
  dialog.setNameFilters({pdf ? QStringLiteral("PDF (*.pdf)") : ToQString(filter),
                         QStringLiteral("すべてのファイル (*)")});
  dialog.setDefaultSuffix(series ? QStringLiteral("csv")
                          : pdf  ? QStringLiteral("pdf")
                                 : QStringLiteral("kurimo"));
  dialog.setDirectory(QDir::current());
  if (!opening) {
    dialog.selectFile(series ? QStringLiteral("Kurimo_series.csv")
                      : pdf  ? QStringLiteral("Kurimo_report.pdf")
                             : QStringLiteral("Kurimo_case.kurimo"));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

std::optional<std::string> MessageBoxPresenter::ChooseOutputFile(QWidget* parent,
                                                                 std::string_view current) {
  QFileDialog dialog(parent);
  UseJapaneseColumns(dialog);
  dialog.setWindowTitle(QStringLiteral("出力ファイルの保存先"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(
      {QStringLiteral("テキストファイル (*.txt)"), QStringLiteral("すべてのファイル (*)")});
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  const QFileInfo info(ToQString(current));
  dialog.setDirectory(info.absoluteDir());
  dialog.selectFile(info.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

bool MessageBoxPresenter::ChoosePrinter(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("印刷"));
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace kurimo
