// Saved cases: the file's text, round trips of texts as typed, and the files that are
// refused, each with a message that says what is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "case_file.h"
#include "file_messages.h"
#include "case_inputs.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using test::TempFolder;

constexpr ConditionBox kBoxes[] = {ConditionBox::BayArea,       ConditionBox::MeanDepth,
                                   ConditionBox::MouthLength,   ConditionBox::OpenSeaQuality,
                                   ConditionBox::InflowQuality, ConditionBox::InflowRate};

// A case whose every text and entry differs from the default and is awkward to keep.
SavedCase OddCase() {
  SavedCase c;
  c.texts = {"1,000", " 2.4", "1e3", "  .5 ", "0", "1,234.5D-1"};
  c.entries = {"2.0", "0.2", "5.0"};
  return c;
}

bool operator==(const SavedCase& a, const SavedCase& b) {
  return a.texts == b.texts && a.entries == b.entries;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(CaseFile, DefaultCaseIsSmallReadableJson) {
  EXPECT_EQ(CaseFileText(DefaultSavedCase()),
            "{\n"
            "  \"format\": \"kurimo-case\",\n"
            "  \"version\": 1,\n"
            "  \"conditions\": {\n"
            "    \"bay_area\": \" 1000\",\n"
            "    \"mean_depth\": \" 18\",\n"
            "    \"mouth_length\": \" 7\",\n"
            "    \"open_sea_quality\": \" 2.4\",\n"
            "    \"inflow_quality\": \" 10\",\n"
            "    \"inflow_rate\": \" 331\"\n"
            "  },\n"
            "  \"multipliers\": {\n"
            "    \"section\": \"1.0\",\n"
            "    \"quality\": \"1.0\",\n"
            "    \"quantity\": \"1.0\"\n"
            "  }\n"
            "}\n");
}

TEST(CaseFile, TextsComeBackExactlyAsTyped) {
  const SavedCase odd = OddCase();
  for (std::size_t i = 0; i < odd.texts.size(); ++i)
    ASSERT_FALSE(FailedInputLimit(kBoxes[i], odd.texts[i])) << odd.texts[i];
  for (const SavedCase& saved : {DefaultSavedCase(), odd}) {
    const CaseReadResult back = ParseCaseFile(CaseFileText(saved));
    ASSERT_TRUE(back.value.has_value()) << back.error;
    EXPECT_TRUE(*back.value == saved);
    EXPECT_EQ(back.error, "");
  }
}

TEST(CaseFile, WrittenAtomicallyAndReadBack) {
  TempFolder folder;
  const std::string path = folder.File("case.json");
  ASSERT_EQ(WriteCaseFile(path, OddCase()), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), CaseFileText(OddCase()));
  const CaseReadResult back = ReadCaseFile(path);
  ASSERT_TRUE(back.value.has_value()) << back.error;
  EXPECT_TRUE(*back.value == OddCase());

  // Saving again replaces the whole file.
  ASSERT_EQ(WriteCaseFile(path, DefaultSavedCase()), std::nullopt);
  EXPECT_EQ(test::ReadBytes(path), CaseFileText(DefaultSavedCase()));

  const std::string missing = folder.File("no-such-folder/case.json");
  const std::optional<std::string> reason = WriteCaseFile(missing, OddCase());
  ASSERT_TRUE(reason.has_value());
  const UserMessage message = CaseSaveFailedMessage(missing, *reason);
  EXPECT_NE(message.text.find("「" + missing + "」"), std::string::npos);
  EXPECT_NE(message.text.find(*reason), std::string::npos);
  EXPECT_EQ(message.title, kCaseFileTitle);
}

TEST(CaseFile, ToleratesWhatEditorsAndLaterVersionsAdd) {
  std::string text = CaseFileText(OddCase());
  // A byte-order mark, CR LF line ends and fields it does not know.
  std::string edited = "\xEF\xBB\xBF";
  for (char c : text) {
    if (c == '\n') edited += '\r';
    edited += c;
  }
  nlohmann::json j = nlohmann::json::parse(text);
  j["comment"] = "湾奥の河川を5倍にしたケース";
  j["conditions"]["title"] = "x";
  for (const std::string& bytes : {edited, j.dump()}) {
    const CaseReadResult back = ParseCaseFile(bytes);
    ASSERT_TRUE(back.value.has_value()) << back.error;
    EXPECT_TRUE(*back.value == OddCase());
  }
}

struct Refusal {
  const char* name;
  std::function<void(nlohmann::json&)> change;
  std::vector<std::string> fragments;  // each must appear in the message
};

TEST(CaseFile, RefusesForeignOrBrokenContentSayingWhy) {
  const std::vector<Refusal> refusals = {
      {"format missing",
       [](nlohmann::json& j) { j.erase("format"); },
       {"Kurimo のケースファイルではありません", "\"format\""}},
      {"other format",
       [](nlohmann::json& j) { j["format"] = "other-program"; },
       {"Kurimo のケースファイルではありません"}},
      {"format not a string",
       [](nlohmann::json& j) { j["format"] = 1; },
       {"Kurimo のケースファイルではありません"}},
      {"version missing", [](nlohmann::json& j) { j.erase("version"); }, {"\"version\""}},
      {"version as text", [](nlohmann::json& j) { j["version"] = "1"; }, {"整数ではありません"}},
      {"version fraction", [](nlohmann::json& j) { j["version"] = 1.5; }, {"整数ではありません"}},
      {"newer version",
       [](nlohmann::json& j) { j["version"] = 2; },
       {"新しい版", "version 2", "version 1 まで"}},
      {"huge version",
       [](nlohmann::json& j) { j["version"] = 18446744073709551615u; },
       {"新しい版"}},
      {"version 0", [](nlohmann::json& j) { j["version"] = 0; }, {"version 0", "正しくありません"}},
      {"negative version", [](nlohmann::json& j) { j["version"] = -1; }, {"正しくありません"}},
      {"conditions missing",
       [](nlohmann::json& j) { j.erase("conditions"); },
       {"計算条件", "\"conditions\"", "ありません"}},
      {"conditions a list",
       [](nlohmann::json& j) {
         j["conditions"] = {1, 2};
       },
       {"\"conditions\"", "オブジェクト"}},
      {"multipliers missing",
       [](nlohmann::json& j) { j.erase("multipliers"); },
       {"倍率", "\"multipliers\"", "ありません"}},
      {"bay area missing",
       [](nlohmann::json& j) { j["conditions"].erase("bay_area"); },
       {"「湾面積」", "\"bay_area\"", "ありません"}},
      {"depth a number",
       [](nlohmann::json& j) { j["conditions"]["mean_depth"] = 18; },
       {"「平均水深」", "文字列ではありません"}},
      {"rate null",
       [](nlohmann::json& j) { j["conditions"]["inflow_rate"] = nullptr; },
       {"「流入水流量」", "文字列ではありません"}},
      {"bay too small",
       [](nlohmann::json& j) { j["conditions"]["bay_area"] = "0.5"; },
       {"「湾面積」", "「0.5」", "湾面積は1km2以上にしてください。"}},
      {"mouth of zero",
       [](nlohmann::json& j) { j["conditions"]["mouth_length"] = "0"; },
       {"「湾口部長さ」", "湾口部長さは0にしないでください"}},
      {"quality not a number",
       [](nlohmann::json& j) { j["conditions"]["inflow_quality"] = "abc"; },
       {"「流入水水質」", "「abc」", "数値を入力してください"}},
      {"empty rate",
       [](nlohmann::json& j) { j["conditions"]["inflow_rate"] = ""; },
       {"「流入水流量」", "流入水の流量は0にしないでください"}},
      {"section not listed",
       [](nlohmann::json& j) { j["multipliers"]["section"] = "5.0"; },
       {"「湾口部断面積の倍率」", "「5.0」", "選べる値: 1.0, 0.2, 0.5, 0.8, 1.2, 1.5, 2.0"}},
      {"quality with a blank",
       [](nlohmann::json& j) { j["multipliers"]["quality"] = " 1.0"; },
       {"「流入水水質の倍率」", "選べません"}},
      {"quantity a number",
       [](nlohmann::json& j) { j["multipliers"]["quantity"] = 1.0; },
       {"「流入水流量の倍率」", "文字列ではありません"}},
  };
  const nlohmann::json good = nlohmann::json::parse(CaseFileText(DefaultSavedCase()));
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    nlohmann::json j = good;
    r.change(j);
    const CaseReadResult result = ParseCaseFile(j.dump(2));
    EXPECT_FALSE(result.value.has_value());
    for (const std::string& fragment : r.fragments)
      EXPECT_NE(result.error.find(fragment), std::string::npos) << result.error;
  }
}

TEST(CaseFile, RefusesWhatIsNotAJsonObject) {
  const std::string text = CaseFileText(DefaultSavedCase());
  struct Bad {
    std::string bytes;
    std::string fragment;
  };
  const Bad bad[] = {
      {"", "JSON の形式になっていません"},
      {text.substr(0, text.size() / 2), "JSON の形式になっていません"},
      {"{\n  \"format\": \"kurimo-case\",\n  \"version\": 1,,\n}", "3 行目"},
      {"湾面積=1000\r\n", "1 行目 1 文字目"},
      {"{\"format\": \"湾\" x}", "1 行目 16 文字目"},
      {"{\"format\": \"kurimo-case\", \"bay\": \"\xFF\"}", "JSON の形式になっていません"},
      {"[\"kurimo-case\", 1]", "オブジェクト"},
      {"\"kurimo-case\"", "オブジェクト"},
      {"null", "オブジェクト"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.bytes);
    const CaseReadResult result = ParseCaseFile(b.bytes);
    EXPECT_FALSE(result.value.has_value());
    EXPECT_NE(result.error.find(b.fragment), std::string::npos) << result.error;
  }
}

TEST(CaseFile, LongTextsAreCutInTheMessageOnACharacterBoundary) {
  nlohmann::json j = nlohmann::json::parse(CaseFileText(DefaultSavedCase()));
  std::string text;
  for (int i = 0; i < 50; ++i)
    text += "あ";  // three bytes each
  j["conditions"]["bay_area"] = text;
  const CaseReadResult result = ParseCaseFile(j.dump());
  ASSERT_FALSE(result.value.has_value());
  // Forty characters are kept, not forty bytes.
  EXPECT_NE(result.error.find("「" + text.substr(0, 40 * 3) + "…」"), std::string::npos)
      << result.error;
  EXPECT_LT(result.error.size(), 300u);
}

TEST(CaseFile, ReadingFailuresSayWhy) {
  TempFolder folder;
  CaseReadResult r = ReadCaseFile(folder.File("absent.json"));
  EXPECT_FALSE(r.value.has_value());
  EXPECT_NE(r.error.find("ファイルが見つかりません"), std::string::npos) << r.error;

  r = ReadCaseFile(folder.path().string());
  EXPECT_FALSE(r.value.has_value());
  EXPECT_NE(r.error.find("フォルダー"), std::string::npos) << r.error;

  // A valid case padded to the size limit is read; one byte more is refused unread.
  const std::string text = CaseFileText(DefaultSavedCase());
  const std::string atLimit = text + std::string(kCaseFileSizeLimit - text.size(), ' ');
  WriteBytes(folder.File("padded.json"), atLimit);
  r = ReadCaseFile(folder.File("padded.json"));
  EXPECT_TRUE(r.value.has_value()) << r.error;
  WriteBytes(folder.File("padded.json"), atLimit + " ");
  r = ReadCaseFile(folder.File("padded.json"));
  EXPECT_FALSE(r.value.has_value());
  EXPECT_NE(r.error.find("大きすぎます"), std::string::npos) << r.error;

  // An endless device is cut off at the limit too.
  r = ReadCaseFile("/dev/zero");
  EXPECT_FALSE(r.value.has_value());
  EXPECT_NE(r.error.find("大きすぎます"), std::string::npos) << r.error;

  const UserMessage message = CaseOpenFailedMessage("absent.json", "ファイルが見つかりません。");
  EXPECT_NE(message.text.find("「absent.json」"), std::string::npos);
  EXPECT_NE(message.text.find("ファイルが見つかりません。"), std::string::npos);
  EXPECT_EQ(message.title, kCaseFileTitle);
}

TEST(CaseFile, SavePathGetsTheCaseExtensionOnlyWhenTheNameHasNone) {
  struct Row {
    const char* name;
    const char* chosen;
    const char* saved;
  };
  const Row rows[] = {
      {"bare name", "/home/u/湾A", "/home/u/湾A.kurimo"},
      {"already .kurimo", "/home/u/湾A.kurimo", "/home/u/湾A.kurimo"},
      {"older .json kept", "/home/u/湾A.json", "/home/u/湾A.json"},
      {"another extension kept", "/home/u/a.case", "/home/u/a.case"},
      {"dot in a folder name only", "/home/u.v/case", "/home/u.v/case.kurimo"},
      {"trailing dot", "/home/u/case.", "/home/u/case.kurimo"},
      {"hidden file name", "/home/u/.case", "/home/u/.case.kurimo"},
      {"relative name", "case", "case.kurimo"},
      {"folder only", "/home/u/", "/home/u/"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(CaseSavePath(row.chosen), row.saved) << row.name;
}

TEST(CaseFile, TextsThatAreNotUtf8DoNotStopTheSave) {
  SavedCase c = DefaultSavedCase();
  c.texts[0] = "\xFF\xFE";
  const std::string text = CaseFileText(c);
  EXPECT_NE(text.find("\"bay_area\""), std::string::npos);
  // The replaced text fails its box's check when the file is opened.
  EXPECT_FALSE(ParseCaseFile(text).value.has_value());
}

}  // namespace
}  // namespace kurimo
