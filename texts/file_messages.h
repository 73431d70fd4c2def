// What the user is told about the files the program reads and writes at the user's request
// (case files, the time-series table), and the file dialogs' type filters.
#pragma once

#include <string>
#include <string_view>

#include "user_message.h"

namespace kurimo {

// The advice after a file could not be written, up to "、": in the window, to choose a
// place that can be written (through `menu` when it is not empty, such as
// "「ファイル」メニューの「出力ファイルの保存先…」で"); on a terminal, to give one with
// `option` ("--output").
std::string AnotherPlaceAdvice(MessagePlace place, std::string_view menu, std::string_view option);

// Titles and texts of the messages about case files.
inline constexpr std::string_view kCaseFileTitle = "ケースファイルのエラー";
UserMessage CaseOpenFailedMessage(std::string_view path, std::string_view error);
UserMessage CaseSaveFailedMessage(std::string_view path, std::string_view reason,
                                  MessagePlace place = MessagePlace::Window);

// The message for a time-series CSV file that could not be written; `reason` is the
// system's reason as WriteSeriesCsv returns it.
UserMessage SeriesFileFailedMessage(std::string_view path, std::string_view reason,
                                    MessagePlace place = MessagePlace::Window);

// File-dialog filters: opening shows both kinds of case file, saving proposes .kurimo.
inline constexpr std::string_view kCaseOpenFilter = "Kurimo ケースファイル (*.kurimo *.json)";
inline constexpr std::string_view kCaseSaveFilter = "Kurimo ケースファイル (*.kurimo)";
inline constexpr std::string_view kSeriesCsvFilter = "CSV ファイル (*.csv)";

}  // namespace kurimo
