#include "case_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "atomic_file.h"
#include "bay_model.h"
#include "case_inputs.h"
#include "echo_text.h"
#include "output_file.h"
#include "stop_signals.h"

namespace kurimo {
namespace {

using OrderedJson = nlohmann::ordered_json;

struct FieldName {
  const char* key;
  const char* label;  // the name the window gives the box or list
};

// In ConditionBox order.
constexpr std::array<FieldName, 6> kConditionFields = {{
    {"bay_area", "湾面積"},
    {"mean_depth", "平均水深"},
    {"mouth_length", "湾口部長さ"},
    {"open_sea_quality", "外海水水質"},
    {"inflow_quality", "流入水水質"},
    {"inflow_rate", "流入水流量"},
}};

// In MultiplierList order.
constexpr std::array<FieldName, 3> kMultiplierFields = {{
    {"section", "湾口部断面積の倍率"},
    {"quality", "流入水水質の倍率"},
    {"quantity", "流入水流量の倍率"},
}};

constexpr ConditionBox kBoxes[] = {ConditionBox::BayArea,       ConditionBox::MeanDepth,
                                   ConditionBox::MouthLength,   ConditionBox::OpenSeaQuality,
                                   ConditionBox::InflowQuality, ConditionBox::InflowRate};
constexpr MultiplierList kLists[] = {MultiplierList::Section, MultiplierList::Quality,
                                     MultiplierList::Quantity};

CaseReadResult Rejected(std::string error) {
  return {std::nullopt, std::move(error)};
}

// A text from the file as a message quotes it, long texts cut.
std::string Quoted(const std::string& text) {
  return "「" + EchoedText(text) + "」";
}

// Line and column (from 1, in characters) of a byte offset into the text.
std::string PlaceOf(std::string_view bytes, std::size_t offset) {
  offset = std::min(offset, bytes.size());
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
      ++column;  // a character starts here; UTF-8 continuation bytes do not count
    }
  }
  return std::to_string(line) + " 行目 " + std::to_string(column) + " 文字目";
}

// The string field `key` of `group`, or the reason it cannot be had.
std::optional<std::string> StringField(const nlohmann::json& group, const char* groupLabel,
                                       const FieldName& field, std::string& error) {
  const auto it = group.find(field.key);
  const std::string name =
      std::string(groupLabel) + "の「" + field.label + "」（\"" + field.key + "\"）";
  if (it == group.end()) {
    error = name + "がありません。";
    return std::nullopt;
  }
  if (!it->is_string()) {
    error = name + "が文字列ではありません。";
    return std::nullopt;
  }
  return it->get<std::string>();
}

// The object field `key` of the file, or the reason it cannot be had.
const nlohmann::json* GroupField(const nlohmann::json& file, const char* key, const char* label,
                                 std::string& error) {
  const auto it = file.find(key);
  if (it == file.end()) {
    error = std::string(label) + "（\"" + key + "\"）がありません。";
    return nullptr;
  }
  if (!it->is_object()) {
    error = std::string(label) + "（\"" + key + "\"）がオブジェクト（{ }）ではありません。";
    return nullptr;
  }
  return &*it;
}

std::string Unreadable(std::string_view reason) {
  return "ファイルを読み込めません（" + std::string(reason) + "）。";
}

// Opens the file for reading without waiting. A pipe (FIFO) is only worth reading while a
// program writes into it: read without waiting, it gives 0 bytes when no writer is there
// (refused at once, where a plain open would wait for a writer for ever), EAGAIN when the
// writer has not written yet. Reads then wait as usual, until a stop signal ends them.
// Returns the descriptor, or -1 with the reason set; `bytes` receives what the first look
// at a pipe read.
int OpenForReading(const std::string& path, std::string& bytes, std::string& reason) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    reason = Unreadable(DescribeSystemError(errno, FileUse::Read));
    return -1;
  }
  const auto fail = [&](std::string why) {
    close(fd);
    reason = std::move(why);
    return -1;
  };
  struct stat info {};
  if (fstat(fd, &info) != 0) return fail(Unreadable(DescribeSystemError(errno, FileUse::Read)));
  if (S_ISFIFO(info.st_mode)) {
    char buffer[4096];
    ssize_t n;
    do {
      n = read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR && !StopAsked());
    if (n == 0) {
      return fail(
          "ファイルを読み込めません（書き込むプログラムのいないパイプです）。ケースを書き込む"
          "プログラムを先に動かしてから、もう一度開いてください。");
    }
    if (n < 0 && errno != EAGAIN) {
      return fail(Unreadable(DescribeSystemError(errno, FileUse::Read)));
    }
    if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return fail(Unreadable(DescribeSystemError(errno, FileUse::Read)));
  }
  return fd;
}

}  // namespace

SavedCase DefaultSavedCase() {
  BayModel model;
  model.LoadDefaultCase();
  SavedCase saved;
  for (std::size_t i = 0; i < saved.texts.size(); ++i)
    saved.texts[i] = ConditionText(model, kBoxes[i]);
  for (std::size_t i = 0; i < saved.entries.size(); ++i)
    saved.entries[i] = std::string(MultiplierEntries(kLists[i]).front());
  return saved;
}

std::string CaseFileText(const SavedCase& saved) {
  OrderedJson conditions = OrderedJson::object();
  for (std::size_t i = 0; i < kConditionFields.size(); ++i)
    conditions[kConditionFields[i].key] = saved.texts[i];
  OrderedJson multipliers = OrderedJson::object();
  for (std::size_t i = 0; i < kMultiplierFields.size(); ++i)
    multipliers[kMultiplierFields[i].key] = saved.entries[i];
  OrderedJson file = OrderedJson::object();
  file["format"] = kCaseFormatTag;
  file["version"] = kCaseFormatVersion;
  file["conditions"] = std::move(conditions);
  file["multipliers"] = std::move(multipliers);
  // Bytes that are not UTF-8 (never in a text that passed its box's check) are replaced
  // rather than stopping the save.
  return file.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

CaseReadResult ParseCaseFile(std::string_view bytes) {
  // JSON lets an object name a key twice and the library keeps the last value; a case
  // file that does so is ambiguous, so the keys of every object are watched while parsing.
  std::vector<std::set<std::string>> keysOfOpenObjects;
  std::optional<std::string> repeatedKey;
  const auto watchKeys = [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
    switch (event) {
      case nlohmann::json::parse_event_t::object_start:
        keysOfOpenObjects.emplace_back();
        break;
      case nlohmann::json::parse_event_t::object_end:
        if (!keysOfOpenObjects.empty()) keysOfOpenObjects.pop_back();
        break;
      case nlohmann::json::parse_event_t::key:
        if (!keysOfOpenObjects.empty() && parsed.is_string() &&
            !keysOfOpenObjects.back().insert(parsed.get<std::string>()).second && !repeatedKey) {
          repeatedKey = parsed.get<std::string>();
        }
        break;
      default:
        break;
    }
    return true;
  };
  nlohmann::json file;
  try {
    file = nlohmann::json::parse(bytes, watchKeys);
  } catch (const nlohmann::json::parse_error& e) {
    return Rejected("JSON の形式になっていません（" + PlaceOf(bytes, e.byte > 0 ? e.byte - 1 : 0) +
                    "付近）。");
  } catch (const nlohmann::json::exception&) {
    // A number beyond the range of a double, or a nesting too deep to hold.
    return Rejected("JSON の中に読めない値があります（大きすぎる数値など）。");
  }
  if (repeatedKey) {
    return Rejected("同じ名前の項目" + Quoted("\"" + *repeatedKey + "\"") +
                    "が 2 度書かれています。どちらの値を使うか決められません。");
  }
  if (!file.is_object()) return Rejected("中身が JSON のオブジェクト（{ }）ではありません。");

  const auto format = file.find("format");
  if (format == file.end() || !format->is_string() || *format != kCaseFormatTag) {
    return Rejected("Kurimo のケースファイルではありません（\"format\" が \"" +
                    std::string(kCaseFormatTag) + "\" ではありません）。");
  }
  const auto version = file.find("version");
  if (version == file.end() || !version->is_number_integer()) {
    return Rejected("ファイルの版（\"version\"）がないか、整数ではありません。");
  }
  // Whole numbers of 0 and more are read as unsigned, negative ones as signed.
  if (version->is_number_unsigned() && version->get<std::uint64_t>() > kCaseFormatVersion) {
    return Rejected("新しい版（version " + version->dump() +
                    "）の Kurimo で保存されたファイルです。この Kurimo が読めるのは version " +
                    std::to_string(kCaseFormatVersion) + " までです。");
  }
  if (!version->is_number_unsigned() || version->get<std::uint64_t>() < 1) {
    return Rejected("ファイルの版（version " + version->dump() + "）が正しくありません。");
  }

  std::string error;
  const nlohmann::json* conditions = GroupField(file, "conditions", "計算条件", error);
  if (!conditions) return Rejected(error);
  const nlohmann::json* multipliers = GroupField(file, "multipliers", "倍率", error);
  if (!multipliers) return Rejected(error);

  SavedCase saved;
  for (std::size_t i = 0; i < kConditionFields.size(); ++i) {
    const FieldName& field = kConditionFields[i];
    std::optional<std::string> text = StringField(*conditions, "計算条件", field, error);
    if (!text) return Rejected(error);
    if (const auto limit = FailedInputLimit(kBoxes[i], *text)) {
      return Rejected(std::string("計算条件の「") + field.label + "」の値" + Quoted(*text) +
                      "は使えません: " + std::string(limit->message));
    }
    saved.texts[i] = std::move(*text);
  }
  for (std::size_t i = 0; i < kMultiplierFields.size(); ++i) {
    const FieldName& field = kMultiplierFields[i];
    std::optional<std::string> entry = StringField(*multipliers, "倍率", field, error);
    if (!entry) return Rejected(error);
    if (!MultiplierFactor(kLists[i], *entry)) {
      return Rejected(std::string("「") + field.label + "」の値" + Quoted(*entry) +
                      "は選べません。選べる値: " + JoinedEntries(kLists[i]));
    }
    saved.entries[i] = std::move(*entry);
  }
  return {std::move(saved), ""};
}

CaseReadResult ReadCaseFile(const std::string& path) {
  std::string bytes;
  std::string reason;
  const int fd = OpenForReading(path, bytes, reason);
  if (fd < 0) return Rejected(reason);
  const auto tooLarge = [&] {
    close(fd);
    return Rejected("ファイルが大きすぎます（" + std::to_string(kCaseFileSizeLimit / 1024) +
                    " KB を超えています）。Kurimo のケースファイルではありません。");
  };
  if (bytes.size() > kCaseFileSizeLimit) return tooLarge();
  char buffer[8192];
  for (;;) {
    // A stop asked for while the read waited for a slow writer ends the read.
    if (StopAsked()) {
      close(fd);
      return Rejected(Unreadable(DescribeSystemError(EINTR, FileUse::Read)));
    }
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;  // looked at again above
      const int error = errno;
      close(fd);
      return Rejected(Unreadable(DescribeSystemError(error, FileUse::Read)));
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kCaseFileSizeLimit) return tooLarge();
  }
  close(fd);
  return ParseCaseFile(bytes);
}

std::optional<std::string> WriteCaseFile(const std::string& path, const SavedCase& saved) {
  return WriteFileAtomically(path, CaseFileText(saved));
}

std::string CaseSavePath(std::string_view chosen) {
  const std::size_t slash = chosen.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? chosen : chosen.substr(slash + 1);
  if (name.empty()) return std::string(chosen);
  // A dot that starts the name (a hidden file) does not begin an extension; one that ends
  // it leaves the extension still to be written.
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0 && dot + 1 < name.size()) return std::string(chosen);
  std::string path(chosen);
  if (dot != std::string_view::npos && dot > 0) path.pop_back();
  return path + std::string(kCaseFileExtension);
}

}  // namespace kurimo
