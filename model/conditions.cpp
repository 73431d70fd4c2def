#include <cmath>
#include <utility>

#include "bay_model.h"
#include "number_text.h"

namespace kurimo {

void BayModel::LoadDefaultCase() {
  TitleLine = " 閉鎖性海域水質計算 by 簡易計算モデル Kurimo_Ver10";

  // The built-in case: a bay of 1000 km2, 18 m deep, a mouth 7 km long and as deep as the
  // bay, open sea at 2.4 g/m3, a river of 331 m3/s at 10 g/m3.
  const double areaStore = 1000;
  const double depthStore = 18;
  const double mouthLengthStore = 7;
  const double mouthDepthStore = depthStore;
  const double openSea = 2.4;
  const double rateStore = 331;
  const double qualityStore = 10;

  BayVolume = (areaStore * depthStore) * 0.001;
  MouthSection = static_cast<float>((mouthLengthStore * mouthDepthStore) * 0.001);
  InflowLoad = qualityStore * rateStore;
  SectionFactor = 1.0;
  QuantityFactor = 1.0;
  QualityFactor = 1.0f;

  // Start-up writes each number into its box and the box's edit handler stores the box
  // text, so the conditions hold the texts, leading blank included.
  BayArea = NumberToText(areaStore);
  MeanDepth = NumberToText(depthStore);
  MouthDepth = MeanDepth;
  MouthLength = NumberToText(mouthLengthStore);
  OpenSeaQuality = NumberToText(openSea);
  BayAverageQuality = OpenSeaQuality;
  InflowRate = NumberToText(rateStore);
  InflowQuality = NumberToText(qualityStore);
}

void BayModel::AcceptBayArea(std::string text) {
  BayArea = std::move(text);
  BayVolume = (TextToNumber(BayArea) * TextToNumber(MeanDepth)) * 0.001;
}

void BayModel::AcceptMeanDepth(std::string text) {
  MeanDepth = std::move(text);
  BayVolume = (TextToNumber(BayArea) * TextToNumber(MeanDepth)) * 0.001;
  MouthDepth = MeanDepth;
  MouthSection = static_cast<float>((TextToNumber(MouthDepth) * TextToNumber(MouthLength)) * 0.001);
}

void BayModel::AcceptMouthLength(std::string text) {
  MouthLength = std::move(text);
  MouthSection = static_cast<float>((TextToNumber(MouthLength) * TextToNumber(MouthDepth)) * 0.001);
}

void BayModel::AcceptOpenSeaQuality(std::string text) {
  OpenSeaQuality = std::move(text);
  BayAverageQuality = OpenSeaQuality;
}

void BayModel::AcceptInflowQuality(std::string text) {
  InflowQuality = std::move(text);
  InflowLoad = TextToNumber(InflowQuality) * TextToNumber(InflowRate);
}

void BayModel::AcceptInflowRate(std::string text) {
  InflowRate = std::move(text);
  InflowLoad = TextToNumber(InflowQuality) * TextToNumber(InflowRate);
}

double BayModel::ChangedMouthSection() const {
  return SectionFactor * static_cast<double>(MouthSection);
}

double BayModel::ChangedInflowLoad() const {
  return (InflowLoad * QuantityFactor) * static_cast<double>(QualityFactor);
}

double BayModel::ResidenceTimeDays() const {
  return (BayVolume * 10000) / ((TextToNumber(InflowRate) * QuantityFactor) * 0.864);
}

double BayModel::ClosednessIndex() const {
  return std::sqrt(TextToNumber(BayArea)) / (TextToNumber(MouthLength) * SectionFactor);
}

double BayModel::LoadPerVolume() const {
  return (((InflowLoad * QuantityFactor) * static_cast<double>(QualityFactor)) * 0.864) /
         (BayVolume * 10000);
}

}  // namespace kurimo
