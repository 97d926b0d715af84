// XPStyle keeps its 810 x 810 twips against any container and holds the shell library
// from creation to destruction, once per instance.
#include <QHBoxLayout>
#include <memory>
#include <vector>

#include "app/ShellLibraryLoader.h"
#include "app/XPStyle.h"
#include "tests/app/GuiTesting.h"

namespace mailferry::app {
namespace {

TEST(XPStyleTest, StaysPinnedWhateverSizeItsContainerGivesIt) {
  QWidget container;
  auto* layout = new QHBoxLayout(&container);  // owned by container
  auto* style = new XPStyle;                   // owned by container through the layout
  layout->addWidget(style);
  container.resize(400, 300);
  container.show();
  EXPECT_EQ(style->size(), QSize(54, 54));
  style->resize(200, 10);
  EXPECT_EQ(style->size(), QSize(54, 54));
  style->setGeometry(0, 0, 5, 500);
  EXPECT_EQ(style->size(), QSize(54, 54));
  container.resize(30, 30);
  EXPECT_EQ(style->size(), QSize(54, 54));
  EXPECT_EQ(twips(style->width()), XPStyle::kSizeTwips);
}

TEST(XPStyleTest, LoadsAndFreesTheShellLibraryOncePerInstance) {
  ShellLibraryLoader& loader = ShellLibraryLoader::instance();
  const int loadsBefore = loader.loads();
  const int freesBefore = loader.frees();
  {
    std::vector<std::unique_ptr<XPStyle>> styles;
    for (int i = 0; i < 3; ++i) styles.push_back(std::make_unique<XPStyle>());
    EXPECT_EQ(loader.loads() - loadsBefore, 3);
    EXPECT_EQ(loader.frees() - freesBefore, 0);
    styles.pop_back();
    EXPECT_EQ(loader.frees() - freesBefore, 1);
#ifndef _WIN32
    EXPECT_EQ(styles.front()->libraryHandle(), 0u) << "no shell library off Windows";
#endif
  }
  EXPECT_EQ(loader.loads() - loadsBefore, 3);
  EXPECT_EQ(loader.frees() - freesBefore, 3);
}

TEST(XPStyleTest, DesignPictureIsFiftyFourPixelsWithMagentaMaskedOut) {
  const QPixmap picture = XPStyle::designPicture();
  EXPECT_EQ(picture.size(), QSize(54, 54));
  const QImage image = picture.toImage();
  EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "the magenta corner is transparent";
  EXPECT_EQ(image.pixelColor(27, 30).alpha(), 255);
}

}  // namespace
}  // namespace mailferry::app
