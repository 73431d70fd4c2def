#include "file_messages.h"

#include <string>

namespace kurimo {

UserMessage CaseOpenFailedMessage(std::string_view path, std::string_view error) {
  return {"ケースファイル「" + std::string(path) + "」を開けません。" + std::string(error) +
              "計算条件は変えていません。",
          std::string(kCaseFileTitle)};
}

std::string AnotherPlaceAdvice(MessagePlace place, std::string_view menu, std::string_view option) {
  if (place == MessagePlace::Terminal) {
    return "書き込みのできる場所を " + std::string(option) + " で指定してから、";
  }
  return std::string(menu) + "書き込みのできる場所を選んでから、";
}

UserMessage CaseSaveFailedMessage(std::string_view path, std::string_view reason,
                                  MessagePlace place) {
  return {"ケースファイル「" + std::string(path) + "」に書き込めません（" + std::string(reason) +
              "）。" + AnotherPlaceAdvice(place, "", "--save-case") +
              (place == MessagePlace::Terminal ? "もう一度実行してください。"
                                               : "もう一度保存してください。"),
          std::string(kCaseFileTitle)};
}

UserMessage SeriesFileFailedMessage(std::string_view path, std::string_view reason,
                                    MessagePlace place) {
  return {"時系列のCSVファイル「" + std::string(path) + "」に書き込めません（" +
              std::string(reason) + "）。" + AnotherPlaceAdvice(place, "", "--series") +
              (place == MessagePlace::Terminal ? "もう一度計算してください。"
                                               : "もう一度保存してください。") +
              "同じ名前のファイルがあった場合、そのファイルは元のままです。",
          "CSVファイルのエラー"};
}

}  // namespace kurimo
