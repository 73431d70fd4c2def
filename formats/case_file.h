// Saved cases: the six condition texts as the user typed them and the three multiplier
// entries, in a small JSON file that the window and the batch runner read back through the
// same checks as typed input.
//
//   {
//     "format": "kurimo-case",
//     "version": 1,
//     "conditions": {"bay_area": " 1000", "mean_depth": " 18", "mouth_length": " 7",
//                    "open_sea_quality": " 2.4", "inflow_quality": " 10",
//                    "inflow_rate": " 331"},
//     "multipliers": {"section": "1.0", "quality": "1.0", "quantity": "1.0"}
//   }
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kurimo {

struct SavedCase {
  std::array<std::string, 6> texts;    // in ConditionBox order
  std::array<std::string, 3> entries;  // in MultiplierList order
};

// The built-in case as start-up shows it: the default box texts (" 1000", ...) and entry
// "1.0" of every list.
SavedCase DefaultSavedCase();

inline constexpr std::string_view kCaseFormatTag = "kurimo-case";
inline constexpr int kCaseFormatVersion = 1;
// Files larger than this are not case files and are not read.
inline constexpr std::size_t kCaseFileSizeLimit = 64 * 1024;

// The file's text: the JSON above, indented, ending in a line feed.
std::string CaseFileText(const SavedCase& saved);

struct CaseReadResult {
  std::optional<SavedCase> value;
  std::string error;  // in Japanese, when there is no value: what is wrong with the file
};

// Reads a case from the file's bytes. Rejects, saying what is wrong: bytes that are not a
// JSON object, a file of another format or a newer version, a missing field or one that is
// not a string, a condition text that fails its box's check, an entry that is not in its
// list. Unknown extra fields are ignored.
CaseReadResult ParseCaseFile(std::string_view bytes);

// Reads the file (at most kCaseFileSizeLimit bytes) and parses it. Opening never waits: a
// pipe (FIFO) that no program writes into is refused at once; one with a writer is read as
// the writer goes, until a stop signal (stop_signals.h) ends the wait.
CaseReadResult ReadCaseFile(const std::string& path);

// Writes the file atomically. No value on success, or the system's reason in words.
std::optional<std::string> WriteCaseFile(const std::string& path, const SavedCase& saved);

// Case files have their own extension; cases saved as .json earlier still open.
inline constexpr std::string_view kCaseFileExtension = ".kurimo";
// Where a case chosen to be saved at `chosen` is written: the same path, with .kurimo added
// when the file name has no extension of its own ("湾A" -> "湾A.kurimo"; "湾A.json" stays).
std::string CaseSavePath(std::string_view chosen);

}  // namespace kurimo
