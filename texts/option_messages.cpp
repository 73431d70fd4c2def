#include "option_messages.h"

#include <CLI/CLI.hpp>
#include <string_view>

namespace kurimo {
namespace {

template <class Kind>
bool Is(const CLI::ParseError& error) {
  return dynamic_cast<const Kind*>(&error) != nullptr;
}

// The text after the first ": " of an explanation, or the whole of it.
std::string_view AfterColon(std::string_view text) {
  const std::size_t at = text.find(": ");
  return at == std::string_view::npos ? text : text.substr(at + 2);
}

// The text before the first ": " (an option's name in most explanations), or empty.
std::string_view BeforeColon(std::string_view text) {
  const std::size_t at = text.find(": ");
  return at == std::string_view::npos ? std::string_view() : text.substr(0, at);
}

// The two names either side of a word that joins them ("--case excludes CASE").
bool Split(std::string_view text, std::string_view word, std::string_view& first,
           std::string_view& second) {
  const std::size_t at = text.find(word);
  if (at == std::string_view::npos) return false;
  first = text.substr(0, at);
  second = text.substr(at + word.size());
  return !first.empty() && !second.empty();
}

std::string Detail(const CLI::ParseError& error) {
  const std::string_view explanation = error.what();
  std::string_view first, second;
  if (Is<CLI::ExtrasError>(error)) {
    return "使えない引数があります（" + std::string(AfterColon(explanation)) + "）";
  }
  if (Is<CLI::ArgumentMismatch>(error) && !BeforeColon(explanation).empty()) {
    return std::string(BeforeColon(explanation)) + " に付ける値の数が正しくありません";
  }
  if (Is<CLI::ExcludesError>(error) && Split(explanation, " excludes ", first, second)) {
    return std::string(first) + " と " + std::string(second) + " は一緒に使えません";
  }
  if (Is<CLI::RequiresError>(error) && Split(explanation, " requires ", first, second)) {
    return std::string(first) + " には " + std::string(second) + " も必要です";
  }
  if (Is<CLI::RequiredError>(error)) {
    const std::size_t at = explanation.find(" is required");
    if (at != std::string_view::npos && at > 0) {
      return std::string(explanation.substr(0, at)) + " が必要です";
    }
  }
  if (Is<CLI::ValidationError>(error) && !BeforeColon(explanation).empty()) {
    return std::string(BeforeColon(explanation)) + " の値が正しくありません";
  }
  if (Is<CLI::ConversionError>(error)) return "値の読めないオプションがあります";
  return "読めない引数があります";
}

}  // namespace

std::string OptionErrorText(const CLI::ParseError& error) {
  return "引数が正しくありません: " + Detail(error) + "。\n--help で使い方を表示します。";
}

}  // namespace kurimo
