#include "file_messages.h"

#include <string>

namespace kurimo {

UserMessage CaseOpenFailedMessage(std::string_view path, std::string_view error) {
  return {"ケースファイル「" + std::string(path) + "」を開けません。" + std::string(error) +
              "計算条件は変えていません。",
          std::string(kCaseFileTitle)};
}

UserMessage CaseSaveFailedMessage(std::string_view path, std::string_view reason) {
  return {"ケースファイル「" + std::string(path) + "」に書き込めません（" + std::string(reason) +
              "）。書き込みのできる場所を選んでから、もう一度保存してください。",
          std::string(kCaseFileTitle)};
}

UserMessage SeriesFileFailedMessage(std::string_view path, std::string_view reason) {
  return {"時系列のCSVファイル「" + std::string(path) + "」に書き込めません（" +
              std::string(reason) +
              "）。書き込みのできる場所を選んでから、もう一度保存してください。"
              "同じ名前のファイルがあった場合、そのファイルは元のままです。",
          "CSVファイルのエラー"};
}

}  // namespace kurimo
