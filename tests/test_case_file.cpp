// Saved cases: the file's text, texts kept exactly as typed, and the files that are refused,
// each with a message that says what is wrong.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "case_file.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using nlohmann::json;

// A case whose every text and entry differs from the default and is awkward to keep.
SavedCase OddCase() {
  return {{"1,000", " 2.4", "1e3", "  .5 ", "0", "1,234.5D-1"}, {"2.0", "0.2", "5.0"}};
}

void ExpectCase(const CaseReadResult& read, const SavedCase& expected) {
  ASSERT_TRUE(read.value.has_value()) << read.error;
  EXPECT_EQ(read.value->texts, expected.texts);
  EXPECT_EQ(read.value->entries, expected.entries);
  EXPECT_EQ(read.error, "");
}

TEST(CaseFile, SavedAsSmallReadableJsonAndReadBackAsTyped) {
  test::TempFolder folder;
  const std::string path = folder.File("case.kurimo");
  ASSERT_EQ(WriteCaseFile(path, OddCase()), std::nullopt);
  ExpectCase(ReadCaseFile(path), OddCase());
  ASSERT_EQ(WriteCaseFile(path, DefaultSavedCase()), std::nullopt);  // replaces the whole file
  EXPECT_EQ(test::ReadBytes(path), R"({
  "format": "kurimo-case",
  "version": 1,
  "conditions": {
    "bay_area": " 1000",
    "mean_depth": " 18",
    "mouth_length": " 7",
    "open_sea_quality": " 2.4",
    "inflow_quality": " 10",
    "inflow_rate": " 331"
  },
  "multipliers": {
    "section": "1.0",
    "quality": "1.0",
    "quantity": "1.0"
  }
}
)");
  ExpectCase(ReadCaseFile(path), DefaultSavedCase());
  // What editors and later versions add: a byte-order mark, CR LF line ends, unknown fields.
  std::string edited = "\xEF\xBB\xBF";
  for (const char c : CaseFileText(OddCase()))
    edited += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ExpectCase(ParseCaseFile(edited), OddCase());
  json j = json::parse(CaseFileText(OddCase()));
  j["comment"] = "湾奥の河川を5倍にしたケース";
  j["conditions"]["title"] = "x";
  ExpectCase(ParseCaseFile(j.dump()), OddCase());
  // A text that is not UTF-8 does not stop the save; the file is refused when opened.
  SavedCase broken = DefaultSavedCase();
  broken.texts[0] = "\xFF\xFE";
  EXPECT_FALSE(ParseCaseFile(CaseFileText(broken)).value.has_value());

  const std::string missing = folder.File("no-such-folder/case.kurimo");
  EXPECT_EQ(WriteCaseFile(missing, OddCase()), "フォルダーが見つかりません");
  const UserMessage saveFailed = CaseSaveFailedMessage(missing, "フォルダーが見つかりません");
  EXPECT_EQ(saveFailed.text, "ケースファイル「" + missing +
                                 "」に書き込めません（フォルダーが見つかりません）。書き込みの"
                                 "できる場所を選んでから、もう一度保存してください。");
  EXPECT_EQ(saveFailed.title, "ケースファイルのエラー");
}

// Each row changes one thing in a good file; every fragment must be in the message.
TEST(CaseFile, RefusesAChangedFileSayingWhy) {
  const std::pair<std::function<void(json&)>, std::vector<std::string>> rows[] = {
      {[](json& j) { j.erase("format"); }, {"Kurimo のケースファイルではありません", "\"format\""}},
      {[](json& j) { j["format"] = 1; }, {"Kurimo のケースファイルではありません"}},
      {[](json& j) { j["format"] = "other"; }, {"Kurimo のケースファイルではありません"}},
      {[](json& j) { j.erase("version"); }, {"版（\"version\"）がないか、整数ではありません"}},
      {[](json& j) { j["version"] = 1.5; }, {"整数ではありません"}},
      {[](json& j) { j["version"] = 2; }, {"新しい版（version 2）", "読めるのは version 1 まで"}},
      {[](json& j) { j["version"] = 18446744073709551615u; }, {"新しい版"}},
      {[](json& j) { j["version"] = 0; }, {"版（version 0）が正しくありません"}},
      {[](json& j) { j["version"] = -1; }, {"版（version -1）が正しくありません"}},
      {[](json& j) { j.erase("conditions"); }, {"計算条件（\"conditions\"）がありません"}},
      {[](json& j) {
         j["conditions"] = {1, 2};
       },
       {"（\"conditions\"）がオブジェクト（{ }）では"}},
      {[](json& j) { j.erase("multipliers"); }, {"倍率（\"multipliers\"）がありません"}},
      {[](json& j) { j["conditions"].erase("bay_area"); },
       {"計算条件の「湾面積」（\"bay_area\"）がありません"}},
      {[](json& j) { j["conditions"]["mean_depth"] = 18; },
       {"「平均水深」", "文字列ではありません"}},
      {[](json& j) { j["conditions"]["bay_area"] = "0.5"; },
       {"計算条件の「湾面積」の値「0.5」は使えません: 湾面積は1km2以上にしてください。"}},
      {[](json& j) { j["conditions"]["mouth_length"] = "0"; },
       {"「湾口部長さ」", "湾口部長さは0にしないでください"}},
      {[](json& j) { j["conditions"]["inflow_quality"] = "abc"; },
       {"「流入水水質」の値「abc」", "数値を入力してください"}},
      {[](json& j) { j["multipliers"]["section"] = "5.0"; },
       {"「湾口部断面積の倍率」の値「5.0」は選べません。選べる値: 1.0, 0.2, 0.5, 0.8, 1.2, 1.5, "
        "2.0"}},
      {[](json& j) { j["multipliers"]["quality"] = " 1.0"; }, {"「流入水水質の倍率」の値「 1.0」"}},
      {[](json& j) { j["multipliers"]["quantity"] = 1.0; },
       {"倍率の「流入水流量の倍率」（\"quantity\"）が文字列ではありません。"}},
  };
  const json good = json::parse(CaseFileText(DefaultSavedCase()));
  for (const auto& [change, fragments] : rows) {
    json j = good;
    change(j);
    const CaseReadResult read = ParseCaseFile(j.dump(2));
    EXPECT_FALSE(read.value.has_value()) << j.dump();
    for (const std::string& fragment : fragments)
      EXPECT_NE(read.error.find(fragment), std::string::npos) << read.error;
  }
}

TEST(CaseFile, RefusesBytesThatAreNotACaseObjectSayingWhere) {
  std::string longText;
  for (int i = 0; i < 50; ++i)
    longText += "あ";  // three bytes each
  const std::pair<std::string, std::string> rows[] = {
      {"", "JSON の形式になっていません"},
      {"{\n  \"format\": \"kurimo-case\",\n  \"version\": 1,,\n}", "（3 行目 16 文字目付近）"},
      {"湾面積=1000\r\n", "（1 行目 1 文字目付近）"},
      {"{\"format\": \"湾\" x}", "（1 行目 16 文字目付近）"},
      {"{\"format\": \"kurimo-case\", \"bay\": \"\xFF\"}", "JSON の形式になっていません"},
      {"[\"kurimo-case\", 1]", "中身が JSON のオブジェクト（{ }）ではありません。"},
      {"{\"version\": 1, \"version\": 2}",
       "同じ名前の項目「\"version\"」が 2 度書かれています。どちらの値を使うか決められません。"},
      // Long texts are cut in the message after forty characters, not forty bytes.
      {R"({"format": "kurimo-case", "version": 1, "conditions": {"bay_area": ")" + longText +
           R"("}, "multipliers": {}})",
       "「" + longText.substr(0, 40 * 3) + "…」は使えません"},
  };
  for (const auto& [bytes, fragment] : rows) {
    const CaseReadResult read = ParseCaseFile(bytes);
    EXPECT_FALSE(read.value.has_value()) << bytes;
    EXPECT_NE(read.error.find(fragment), std::string::npos) << read.error;
  }
}

TEST(CaseFile, ReadingFailuresSayWhy) {
  test::TempFolder folder;
  // A valid case padded to the size limit is read; one byte more is refused unread.
  const std::string text = CaseFileText(DefaultSavedCase());
  std::ofstream(folder.File("limit.kurimo")) << text << std::string(64 * 1024 - text.size(), ' ');
  ExpectCase(ReadCaseFile(folder.File("limit.kurimo")), DefaultSavedCase());
  std::ofstream(folder.File("over.kurimo"))
      << text << std::string(64 * 1024 + 1 - text.size(), ' ');
  const std::string kTooLarge =
      "ファイルが大きすぎます（64 KB を超えています）。Kurimo のケースファイルではありません。";
  const std::pair<std::string, std::string> rows[] = {
      {folder.File("absent.kurimo"), "ファイルを読み込めません（ファイルが見つかりません）。"},
      {folder.path().string(), "ファイルを読み込めません（ファイルではなくフォルダーです）。"},
      {folder.File("over.kurimo"), kTooLarge},
      {"/dev/zero", kTooLarge},  // endless
  };
  for (const auto& [path, error] : rows) {
    const CaseReadResult read = ReadCaseFile(path);
    EXPECT_FALSE(read.value.has_value()) << path;
    EXPECT_EQ(read.error, error);
  }
  const UserMessage message = CaseOpenFailedMessage("/a/湾.kurimo", "ファイルが見つかりません。");
  EXPECT_EQ(message.text,
            "ケースファイル「/a/湾.kurimo」を開けません。ファイルが見つかりません。計算条件は"
            "変えていません。");
  EXPECT_EQ(message.title, "ケースファイルのエラー");
}

TEST(CaseFile, SavePathGetsTheCaseExtensionOnlyWhenTheNameHasNone) {
  const std::pair<const char*, const char*> rows[] = {
      {"/home/u/湾A", "/home/u/湾A.kurimo"},
      {"/home/u/湾A.kurimo", "/home/u/湾A.kurimo"},
      {"/home/u/湾A.json", "/home/u/湾A.json"},
      {"/home/u.v/case", "/home/u.v/case.kurimo"},
      {"/home/u/case.", "/home/u/case.kurimo"},
      {"/home/u/.case", "/home/u/.case.kurimo"},
      {"case", "case.kurimo"},
      {"/home/u/", "/home/u/"},
  };
  for (const auto& [chosen, saved] : rows)
    EXPECT_EQ(CaseSavePath(chosen), saved) << chosen;
}

}  // namespace
}  // namespace kurimo
