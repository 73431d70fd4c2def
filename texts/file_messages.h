// What the user is told about the files the program reads and writes at the user's request
// (case files, the time-series table), and the file dialogs' type filters.
#pragma once

#include <string_view>

#include "user_message.h"

namespace kurimo {

// Titles and texts of the window's messages about case files.
inline constexpr std::string_view kCaseFileTitle = "ケースファイルのエラー";
UserMessage CaseOpenFailedMessage(std::string_view path, std::string_view error);
UserMessage CaseSaveFailedMessage(std::string_view path, std::string_view reason);

// The message for a time-series CSV file that could not be written; `reason` is the
// system's reason as WriteSeriesCsv returns it.
UserMessage SeriesFileFailedMessage(std::string_view path, std::string_view reason);

// File-dialog filters: opening shows both kinds of case file, saving proposes .kurimo.
inline constexpr std::string_view kCaseOpenFilter = "Kurimo ケースファイル (*.kurimo *.json)";
inline constexpr std::string_view kCaseSaveFilter = "Kurimo ケースファイル (*.kurimo)";
inline constexpr std::string_view kSeriesCsvFilter = "CSV ファイル (*.csv)";

}  // namespace kurimo
