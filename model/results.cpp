#include <string>

#include "bay_model.h"
#include "number_text.h"
#include "output_file.h"

namespace kurimo {

Indicators BayModel::ComputeIndicators() const {
  Indicators i;
  i.changedMouthSection = RoundHalfEven(ChangedMouthSection(), 5);
  i.changedInflowLoad = RoundHalfEven(ChangedInflowLoad(), 5);
  i.eddyDiffusivity = RoundHalfEven(static_cast<double>(EddyDiffusivity) / 10000, 0);
  i.meanVelocity = RoundHalfEven(100 * (ChangedInflowRate / MouthArea), 2);
  i.residenceTime = RoundHalfEven(ResidenceTimeDays(), 1);
  i.closedness = RoundHalfEven(ClosednessIndex(), 2);
  i.loadPerVolume = RoundHalfEven(LoadPerVolume(), 3);
  return i;
}

namespace {

constexpr std::string_view kIndent = "    ";

// Builds one line from literals (text form, written unchanged) and numbers (number form).
class Line {
 public:
  Line& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  Line& operator<<(double value) {
    text_ += NumberToFileText(value);
    return *this;
  }
  Line& operator<<(float value) {
    text_ += NumberToFileText(value);
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

}  // namespace

void BayModel::WriteConditionsAndIndicators(OutputFile& file) const {
  const Indicators ind = ComputeIndicators();
  auto write = [&file](const Line& line) { file.WriteLine(line.str()); };
  write(Line() << TitleLine);
  write(Line());
  write(Line() << "[計算条件]");
  write(Line() << kIndent << "(基本条件)");
  write(Line() << kIndent << "湾面積(km2)=" << BayArea << "　平均水深(m)=" << MeanDepth
               << "　湾容積(km3)=" << BayVolume);
  write(Line() << kIndent << "湾口部長さ(km)=" << MouthLength << "　湾口部水深(m)=" << MouthDepth
               << "　湾口部断面積(km2)=" << MouthSection);
  write(Line() << kIndent << "外海水水質(g/m3)=" << OpenSeaQuality);
  write(Line() << kIndent << "流入水水質(g/m3)=" << InflowQuality
               << "　流入水流量(m3/秒)=" << InflowRate << "　流入負荷量(g/秒)=" << InflowLoad);
  write(Line());
  write(Line() << kIndent << "(条件変更)");
  write(Line() << kIndent << "湾口部断面積(×倍)=" << SectionFactor
               << "　　 (変更)湾口部断面積(km2)=" << ind.changedMouthSection);
  write(Line() << kIndent << "流入水水質(×倍)=" << QualityFactor << "　流入水水量(×倍)="
               << QuantityFactor << "　　 (変更)流入負荷量(g/秒)=" << ind.changedInflowLoad);
  write(Line());
  write(Line() << kIndent << "(その他条件)");
  write(Line() << kIndent << "渦動拡散係数(m2/秒)=" << ind.eddyDiffusivity);
  write(Line() << kIndent << "平均流速(cm/秒)    =" << ind.meanVelocity);
  write(Line() << kIndent << "計算時間（日)=" << CalculationDays);
  write(Line() << kIndent << "ﾀｲﾑｽﾃｯﾌﾟ（分)=" << TimeStepMinutes);
  write(Line());
  write(Line() << "[水質指標]");
  write(Line() << kIndent << "滞留時間(日)=" << ind.residenceTime);
  write(Line() << kIndent << "閉鎖度=" << ind.closedness);
  write(Line() << kIndent << "流入負荷量÷湾容積（g/m3/日)=" << ind.loadPerVolume);
}

void BayModel::ComputeBayMean() {
  for (int c = 1; c <= ConstituentCount; ++c) {
    double mean = 0;
    std::int16_t counter = 0;
    for (int b = 1; b <= BayBoxCount; ++b) {
      ++counter;
      mean = mean + Concentration[c][b];
    }
    BayAverage[c] = mean / counter;
  }
}

void BayModel::WriteBayMean(OutputFile& file) const {
  file.WriteLine("");
  file.WriteLine("[計算結果]");
  file.WriteLine(
      (Line() << kIndent << "湾内平均水質(g/m3)=" << RoundHalfEven(BayAverage[1], 2)).str());
}

}  // namespace kurimo
