// The window icon compiled into the program: every PNG size of the icon is there, each
// image really has the size its name and the icon claim, and the icon draws at each size.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "app_icon.h"

namespace {

// The sizes the build renders and installs, from the build's list.
std::vector<int> ExpectedSizes() {
  std::vector<int> sizes;
  for (const QString& size : QString(KURIMO_ICON_SIZES).split(u','))
    sizes.push_back(size.toInt());
  return sizes;
}

TEST(AppIcon, HoldsEveryRenderedSize) {
  const QIcon icon = kurimo::AppIcon();
  ASSERT_FALSE(icon.isNull());
  std::vector<int> sizes;
  for (const QSize& size : icon.availableSizes()) {
    EXPECT_EQ(size.width(), size.height());
    sizes.push_back(size.width());
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, ExpectedSizes());
}

TEST(AppIcon, EachImageHasTheSizeItIsFiledUnder) {
  for (const int size : ExpectedSizes()) {
    const QImage image(QStringLiteral(":/icons/kurimo-%1.png").arg(size));
    ASSERT_FALSE(image.isNull()) << "size " << size;
    EXPECT_EQ(image.width(), size);
    EXPECT_EQ(image.height(), size);
    // The tile has rounded corners: the corner pixel is transparent, the middle opaque.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "size " << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << "size " << size;
  }
}

TEST(AppIcon, DrawsAtEachSizeFromItsOwnImage) {
  const QIcon icon = kurimo::AppIcon();
  for (const int size : ExpectedSizes()) {
    const QImage drawn = icon.pixmap(QSize(size, size)).toImage();
    const QImage own =
        QImage(QStringLiteral(":/icons/kurimo-%1.png").arg(size)).convertToFormat(drawn.format());
    EXPECT_EQ(drawn.size(), QSize(size, size));
    EXPECT_TRUE(drawn == own) << "size " << size << " is scaled from another size";
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
