// Saved cases: the file's text, texts kept exactly as typed, and the files that are refused,
// each with a message that says what is wrong.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "case_file.h"
#include "file_messages.h"
#include "stop_signals.h"
#include "test_helpers.h"

namespace kurimo {
namespace {

using nlohmann::json;

// A case whose every text and entry differs from the default and is awkward to keep.
SavedCase OddCase() {
  return {{"1,000", " 2.4", "1e3", "  .5 ", "0", "1,234.5D-1"}, {"2.0", "0.2", "5.0"}};
}

TEST(CaseFile, SavedWithItsExtensionAsSmallReadableJsonAndReadBackAsTyped) {
  test::TempFolder folder;
  const std::string path = folder.File("case.kurimo");
  ASSERT_EQ(WriteCaseFile(path, OddCase()), std::nullopt);
  const CaseReadResult read = ReadCaseFile(path);
  ASSERT_TRUE(read.value.has_value()) << read.error;
  EXPECT_EQ(read.value->texts, OddCase().texts);
  EXPECT_EQ(read.value->entries, OddCase().entries);
  ASSERT_EQ(WriteCaseFile(path, DefaultSavedCase()), std::nullopt);  // replaces the whole file
  EXPECT_EQ(
      test::ReadBytes(path),
      "{\n  \"format\": \"kurimo-case\",\n  \"version\": 1,\n  \"conditions\": {\n    "
      "\"bay_area\": \" 1000\",\n    \"mean_depth\": \" 18\",\n    \"mouth_length\": \" 7\",\n    "
      "\"open_sea_quality\": \" 2.4\",\n    \"inflow_quality\": \" 10\",\n    \"inflow_rate\": "
      "\" 331\"\n  },\n  \"multipliers\": {\n    \"section\": \"1.0\",\n    \"quality\": \"1.0\",\n"
      "    \"quantity\": \"1.0\"\n  }\n}\n");
  // A text that is not UTF-8 does not stop the save; the file is refused when opened.
  SavedCase broken = DefaultSavedCase();
  broken.texts[0] = "\xFF\xFE";
  EXPECT_FALSE(ParseCaseFile(CaseFileText(broken)).value.has_value());

  const std::string missing = folder.File("no/case.kurimo");
  EXPECT_EQ(CaseSaveFailedMessage(missing, WriteCaseFile(missing, OddCase()).value_or("")).text,
            "ケースファイル「" + missing +
                "」に書き込めません（フォルダーが見つかりません）。書き込みのできる場所を選んで"
                "から、もう一度保存してください。");

  // The case extension is added only when the chosen name has none.
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"/u/湾A", "/u/湾A.kurimo"}, {"/u/湾A.json", "/u/湾A.json"}, {"/u/case.", "/u/case.kurimo"},
      {"/u/.case", "/u/.case.kurimo"}, {"/u/", "/u/"}};
  // clang-format on
  for (const auto& [chosen, saved] : rows)
    EXPECT_EQ(CaseSavePath(chosen), saved) << chosen;
}

// A good file's text with one field changed, or removed by a value of "discarded".
std::string Changed(const char* field, const json& value) {
  json j = json::parse(CaseFileText(DefaultSavedCase()));
  const json::json_pointer at(field);
  value.is_discarded() ? (void)j[at.parent_pointer()].erase(at.back()) : (void)(j[at] = value);
  return j.dump(2);
}

// Each row is read from a file of these bytes (or from the path given) and refused with a
// message that holds the row's part.
TEST(CaseFile, RefusesAChangedFileOrWhatIsNoCaseFileSayingWhatAndWhere) {
  test::TempFolder folder;
  const std::string text = CaseFileText(DefaultSavedCase());
  std::ofstream(folder.File("limit.kurimo")) << text << std::string(64 * 1024 - text.size(), ' ');
  EXPECT_EQ(ReadCaseFile(folder.File("limit.kurimo")).error, "");  // just at the limit
  std::string longText;
  for (int i = 0; i < 50; ++i)
    longText += "あ";  // three bytes each
  const std::string tooLarge =
      "ファイルが大きすぎます（64 KB を超えています）。Kurimo のケースファイルではありません。";
  const json kRemoved(json::value_t::discarded);
  const std::pair<std::string, std::string> rows[] = {
      {Changed("/format", kRemoved),
       "Kurimo のケースファイルではありません（\"format\" が \"kurimo-case\""},
      {Changed("/version", kRemoved), "ファイルの版（\"version\"）がないか、整数ではありません。"},
      {Changed("/version", 2),
       "新しい版（version 2）の Kurimo で保存されたファイルです。この Kurimo が読めるのは "
       "version 1 までです。"},
      {Changed("/version", 18446744073709551615u), "新しい版（version 18446744073709551615）"},
      {Changed("/version", 0), "ファイルの版（version 0）が正しくありません。"},
      {Changed("/version", -1), "ファイルの版（version -1）が正しくありません。"},
      {Changed("/conditions", kRemoved), "計算条件（\"conditions\"）がありません。"},
      {Changed("/conditions", json::array({1, 2})),
       "（\"conditions\"）がオブジェクト（{ }）ではありません。"},
      {Changed("/multipliers", kRemoved), "倍率（\"multipliers\"）がありません。"},
      {Changed("/conditions/bay_area", kRemoved),
       "計算条件の「湾面積」（\"bay_area\"）がありません。"},
      {Changed("/conditions/mean_depth", 18),
       "「平均水深」（\"mean_depth\"）が文字列ではありません。"},
      {Changed("/conditions/bay_area", "0.5"),
       "計算条件の「湾面積」の値「0.5」は使えません: 湾面積は1km2以上にしてください。"},
      {Changed("/conditions/inflow_quality", "abc"),
       "計算条件の「流入水水質」の値「abc」は使えません: "},
      {Changed("/multipliers/section", "5.0"),
       "「湾口部断面積の倍率」の値「5.0」は選べません。選べる値: 1.0, 0.2, 0.5, 0.8, 1.2, 1.5, "
       "2.0"},
      {Changed("/multipliers/quality", " 1.0"), "「流入水水質の倍率」の値「 1.0」は選べません。"},
      {Changed("/multipliers/quantity", 1.0),
       "倍率の「流入水流量の倍率」（\"quantity\"）が文字列では"},
      {"{\n  \"format\": \"kurimo-case\",\n  \"version\": 1,,\n}", "（3 行目 16 文字目付近）"},
      {"湾面積=1000\r\n", "JSON の形式になっていません（1 行目 1 文字目付近）。"},
      {"{\"format\": \"湾\" x}", "（1 行目 16 文字目付近）"},
      {"{\"format\": \"kurimo-case\", \"x\": 1e999}",
       "JSON の中に読めない値があります（大きすぎる数値など）。"},
      {"[\"kurimo-case\", 1]", "中身が JSON のオブジェクト（{ }）ではありません。"},
      {"{\"version\": 1, \"version\": 2}",
       "同じ名前の項目「\"version\"」が 2 度書かれています。どちらの値を使うか決められません。"},
      // Long texts are cut in the message after forty characters, not forty bytes.
      {R"({"format": "kurimo-case", "version": 1, "conditions": {"bay_area": ")" + longText +
           R"("}, "multipliers": {}})",
       "「" + longText.substr(0, 40 * 3) + "…」は使えません"},
      {text + std::string(64 * 1024 + 1 - text.size(), ' '), tooLarge},  // one byte over
      {"path /dev/zero", tooLarge},                                      // endless
      {"path absent.kurimo", "ファイルを読み込めません（ファイルが見つかりません）。"},
      {"path .", "ファイルを読み込めません（ファイルではなくフォルダーです）。"},
  };
  for (const auto& [bytes, error] : rows) {
    std::string path = bytes.rfind("path ", 0) == 0 ? bytes.substr(5) : "case.kurimo";
    if (path[0] != '/') path = folder.File(path);
    if (bytes.rfind("path ", 0) != 0) std::ofstream(path, std::ios::binary) << bytes;
    const CaseReadResult read = ReadCaseFile(path);
    EXPECT_FALSE(read.value.has_value()) << bytes;
    EXPECT_NE(read.error.find(error), std::string::npos) << read.error;
  }
  const UserMessage message = CaseOpenFailedMessage("/a/湾.kurimo", "ファイルが見つかりません。");
  EXPECT_EQ(message.text,
            "ケースファイル「/a/湾.kurimo」を開けません。ファイルが見つかりません。計算条件は"
            "変えていません。");
  EXPECT_EQ(message.title, "ケースファイルのエラー");
}

// A case given through a pipe (FIFO): refused at once when no program writes into it, where
// a plain open would wait for a writer for ever; read as the writer goes when one does; a
// stop signal ends the wait.
TEST(CaseFile, APipeIsReadWhileAProgramWritesIntoItAndRefusedAtOnceOtherwise) {
  test::TempFolder folder;
  const std::string fifo = folder.File("case.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(test::InChild([&] { return ReadCaseFile(fifo).error; }, {}, 5),
            "ファイルを読み込めません（書き込むプログラムのいないパイプです）。ケースを書き込む"
            "プログラムを先に動かしてから、もう一度開いてください。");

  // The writer is there from the start and writes its two halves a little later.
  const int writer = open(fifo.c_str(), O_RDWR);
  const std::string text = CaseFileText(OddCase());
  std::thread writing([&] {
    for (const std::string& part : {text.substr(0, 40), text.substr(40)}) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      EXPECT_EQ(write(writer, part.data(), part.size()), std::ssize(part));
    }
    close(writer);
  });
  const CaseReadResult read = ReadCaseFile(fifo);
  writing.join();
  ASSERT_TRUE(read.value.has_value()) << read.error;
  EXPECT_EQ(read.value->texts, OddCase().texts);

  const std::string stopped = test::InChild(
      [&] {
        InstallStopHandlers();
        [[maybe_unused]] const int silent = open(fifo.c_str(), O_RDWR);  // writes nothing
        return ReadCaseFile(fifo).error;
      },
      [](pid_t child) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(child, SIGHUP);
      });
  EXPECT_EQ(stopped, "ファイルを読み込めません（中止の指示で中断しました）。");
}

}  // namespace
}  // namespace kurimo
