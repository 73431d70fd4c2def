// The controls of the main window's inner panel as data: what each is, where it stands in
// twips, its caption and its colour, in the order the window creates them. The text boxes
// are Text1..Text16, the lists List1..List3, the buttons Command1..Command3 and the groups
// 1..7 as the colour scale numbers them (window_ops.h).
#pragma once

#include <array>

#include "window_ops.h"

namespace kurimo::layout {

struct Rgb {
  int red, green, blue;
};

inline constexpr Rgb kOrange{255, 192, 128};  // headings
inline constexpr Rgb kGreen{192, 255, 192};   // basic conditions
inline constexpr Rgb kCyan{192, 255, 255};    // multipliers
inline constexpr Rgb kPink{255, 192, 255};    // indicators
inline constexpr Rgb kResult{128, 255, 255};  // result caption
inline constexpr Rgb kNoteGrey{224, 224, 224};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kNone{-1, -1, -1};  // no background of its own
inline constexpr Rgb kButtonPink{255, 192, 192};
inline constexpr Rgb kDefaultsGreen{0, 255, 0};
inline constexpr Rgb kBayStart{128, 255, 255};

enum class Kind {
  Heading,  // a label, text from the left
  Caption,  // a label beside its box, text to the right
  Box,      // a text box the user edits
  Display,  // a text box the system writes (yellow, read-only)
  List,     // index: MultiplierList
  Button,   // index: 1 start, 2 exit, 3 defaults
  Group,    // index: the group; `captionShown` for the inflow and open-sea groups
};

struct Control {
  Kind kind;
  int index;         // the box, list, button or group number; 0 for labels
  const char* name;  // labels only: "Label1".."Label27", "Label17(0)"
  int left, top, width, height;
  const char* caption;
  Rgb colour;
  double points = 0;  // labels: a font size of their own, 0 for the window's
  bool bold = false;
  bool captionShown = false;
};

constexpr int kSection = static_cast<int>(MultiplierList::Section);
constexpr int kQuality = static_cast<int>(MultiplierList::Quality);
constexpr int kQuantity = static_cast<int>(MultiplierList::Quantity);

// clang-format off
inline constexpr std::array kControls = std::to_array<Control>({
  {Kind::Heading, 0, "Label1", 120, 120, 3372, 252, "計算対象水域の基本条件（変更できます）", kOrange},
  {Kind::Button, 3, nullptr, 4200, 120, 1572, 252, "デフォルトに戻す", kDefaultsGreen},

  {Kind::Caption, 0, "Label12", 360, 480, 1212, 252, "湾面積(km2)", kGreen},
  {Kind::Box, 1, nullptr, 1560, 480, 1332, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label13", 2880, 480, 1332, 252, "×平均水深(m)", kGreen},
  {Kind::Box, 2, nullptr, 4200, 480, 732, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label14", 4920, 480, 1692, 252, "＝湾容積(km3)", kGreen},
  {Kind::Display, 3, nullptr, 6600, 480, 1332, 264, nullptr, kNone},

  {Kind::Caption, 0, "Label15", 360, 720, 1332, 252, "湾口部長さ(km)", kGreen},
  {Kind::Box, 4, nullptr, 1560, 720, 1332, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label16", 2880, 720, 1452, 252, "×湾口部水深(m)", kGreen},
  {Kind::Display, 5, nullptr, 4200, 720, 732, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label17(0)", 4920, 720, 1812, 252, "＝湾口部断面積(km2)", kGreen},
  {Kind::Display, 6, nullptr, 6600, 720, 1332, 264, nullptr, kNone},

  {Kind::Caption, 0, "Label18", 360, 960, 1572, 252, "外海水水質(g/m3)", kGreen},
  {Kind::Box, 7, nullptr, 1920, 960, 852, 264, nullptr, kNone},

  {Kind::Caption, 0, "Label20", 360, 1320, 1572, 252, "流入水水質(g/m3)", kGreen},
  {Kind::Box, 8, nullptr, 1920, 1320, 612, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label21", 2520, 1320, 1812, 252, "×流入水流量(m3/秒)", kGreen},
  {Kind::Box, 9, nullptr, 4320, 1320, 972, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label22(0)", 5280, 1320, 1692, 252, "＝流入負荷量(g/秒)", kGreen},
  {Kind::Display, 10, nullptr, 6960, 1320, 1092, 264, nullptr, kNone},

  {Kind::Heading, 0, "Label19", 120, 1680, 2412, 252, "基本条件の変更できます", kOrange},
  {Kind::Heading, 0, "Label5", 2760, 1680, 4092, 252,
   "※基本条件ケースの×0.2～×5倍の範囲で変更できます。", kNoteGrey, 7.5},

  {Kind::Caption, 0, "Label3", 360, 2040, 1332, 252, "湾口部断面積", kCyan},
  {Kind::List, kSection, nullptr, 1680, 2040, 972, 240, nullptr, kNone},
  {Kind::Caption, 0, "Label17(1)", 4680, 2040, 1812, 252, "＝湾口部断面積(km2)", kCyan},
  {Kind::Display, 11, nullptr, 6480, 2040, 1212, 264, nullptr, kNone},

  {Kind::Caption, 0, "Label4", 360, 2280, 1332, 252, "流入水水質", kCyan},
  {Kind::List, kQuality, nullptr, 1680, 2280, 972, 240, nullptr, kNone},
  {Kind::Caption, 0, "Label9", 2760, 2280, 972, 252, "流入水流量", kCyan},
  {Kind::List, kQuantity, nullptr, 3720, 2280, 852, 240, nullptr, kNone},
  {Kind::Caption, 0, "Label22(1)", 4680, 2280, 1812, 252, "＝流入負荷量(g/秒)", kCyan},
  {Kind::Display, 12, nullptr, 6480, 2280, 1212, 264, nullptr, kNone},

  {Kind::Heading, 0, "Label23", 120, 2640, 1212, 252, "※水質指標※", kPink},
  {Kind::Caption, 0, "Label24", 1560, 2640, 1092, 252, "滞留時間(日)", kPink},
  {Kind::Display, 13, nullptr, 2640, 2640, 1212, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label25", 4320, 2640, 852, 252, "閉鎖度", kPink},
  {Kind::Display, 14, nullptr, 5160, 2640, 972, 264, nullptr, kNone},
  {Kind::Caption, 0, "Label26", 1560, 2880, 2772, 252, "流入負荷量÷湾容積（g/m3/日)", kPink},
  {Kind::Display, 15, nullptr, 4320, 2880, 1332, 264, nullptr, kNone},

  {Kind::Heading, 0, "Label2", 120, 3240, 1332, 252, "計算結果", kOrange},
  {Kind::Caption, 0, "Label6", 1560, 3240, 1692, 252, "湾内平均水質(g/m3)", kResult},
  {Kind::Display, 16, nullptr, 3240, 3240, 1092, 264, nullptr, kNone},

  // The schematic: river -> five bay boxes -> open sea, with arrows and glosses above.
  {Kind::Heading, 0, "Label7", 840, 3600, 492, 252, "　⇒", kWhite, 12, true},
  {Kind::Heading, 0, "Label10", 1320, 3600, 1212, 252, "(河川から流入）", kNone, 7.5},
  {Kind::Heading, 0, "Label8", 4440, 3600, 492, 252, "　⇒", kNone, 12, true},
  {Kind::Heading, 0, "Label11", 4920, 3600, 1092, 252, "(外海へ流出)", kNone, 7.5},

  {Kind::Group, kInflowGroup, nullptr, 480, 4080, 852, 612, "(流入水)", {255, 128, 0}, 0, false, true},
  {Kind::Group, 1, nullptr, 1320, 3840, 732, 1452, "(湾内水)", kBayStart},
  {Kind::Group, 2, nullptr, 2040, 3840, 732, 1452, "(湾内水)", kBayStart},
  {Kind::Group, 3, nullptr, 2760, 3840, 732, 1452, "(湾内水：計算対象水域)", kBayStart},
  {Kind::Group, 4, nullptr, 3480, 3840, 732, 1452, "(湾内水：計算対象水域)", kBayStart},
  {Kind::Group, 5, nullptr, 4200, 3840, 732, 1452, "(湾内水：計算対象水域)", kBayStart},
  {Kind::Group, kOpenSeaGroup, nullptr, 4920, 3840, 852, 1452, "(外海水)", {128, 128, 255}, 0, false, true},

  {Kind::Button, 1, nullptr, 6360, 3840, 1212, 492, "計算開始", kButtonPink},
  {Kind::Button, 2, nullptr, 6360, 4440, 1212, 492, "終了（閉じる）", kButtonPink},
});
// clang-format on

}  // namespace kurimo::layout
