// The background picture on the fake: the whole-file read and each of its
// failure paths, "SMALLWHITE", and what a paint pass draws.
#include "window/background_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "launcher_test_support.h"

namespace mavrel {
namespace {

using test_support::BmpLayout;
using test_support::MakeBmp;
using test_support::RefusingStorage;

DrawingContext Dc() { return FakeHandle<DrawingContext>(9); }

TEST(BackgroundPictureTest, ReadsTheWholeFileAndClosesIt) {
  FakePlatform fake;
  fake.files["setup.bmp"] = MakeBmp(BmpLayout{});
  std::size_t size = fake.files["setup.bmp"].size();
  BackgroundPicture picture(fake, "setup.bmp");
  std::vector<std::string> expected = {
      "OpenFileForReading setup.bmp",
      "GetFileSize",
      "ReadFile " + std::to_string(size),
      "CloseFile",
  };
  EXPECT_EQ(expected, fake.calls());
  ASSERT_TRUE(picture.loaded());
  EXPECT_EQ(size, picture.size());
  EXPECT_EQ(fake.files["setup.bmp"],
            std::vector<std::uint8_t>(picture.bytes(), picture.bytes() + size));
  EXPECT_TRUE(picture.drawable());
  EXPECT_FALSE(picture.smallWhite());
}

struct FailureRow {
  const char* name;
  bool FakePlatform::*failure;
  std::vector<std::string> calls;
};

TEST(BackgroundPictureTest, EveryFailureLeavesItEmptyWithTheFileClosed) {
  const std::string read = "ReadFile " + std::to_string(MakeBmp(BmpLayout{}).size());
  std::vector<FailureRow> rows = {
      {"open", &FakePlatform::failOpen, {"OpenFileForReading pic.bmp"}},
      {"size",
       &FakePlatform::failFileSize,
       {"OpenFileForReading pic.bmp", "GetFileSize", "CloseFile"}},
      {"read",
       &FakePlatform::failRead,
       {"OpenFileForReading pic.bmp", "GetFileSize", read, "CloseFile"}},
      {"close",
       &FakePlatform::failClose,
       {"OpenFileForReading pic.bmp", "GetFileSize", read, "CloseFile"}},
  };
  for (const FailureRow& row : rows) {
    FakePlatform fake;
    fake.files["pic.bmp"] = MakeBmp(BmpLayout{});
    fake.*(row.failure) = true;
    BackgroundPicture picture(fake, "pic.bmp");
    EXPECT_EQ(row.calls, fake.calls()) << row.name;
    EXPECT_FALSE(picture.loaded()) << row.name;
    EXPECT_FALSE(picture.drawable()) << row.name;
  }
}

TEST(BackgroundPictureTest, NoBufferForTheFileLeavesItEmpty) {
  FakePlatform fake;
  fake.files["pic.bmp"] = MakeBmp(BmpLayout{});
  RefusingStorage storage;
  storage.refuseBytes = true;
  BackgroundPicture picture(fake, "pic.bmp", storage);
  std::vector<std::string> expected = {"OpenFileForReading pic.bmp", "GetFileSize", "CloseFile"};
  EXPECT_EQ(expected, fake.calls());
  EXPECT_FALSE(picture.loaded());
}

TEST(BackgroundPictureTest, MissingFileAndEmptyPathOpenNothing) {
  FakePlatform fake;
  BackgroundPicture missing(fake, "gone.bmp");
  BackgroundPicture empty(fake, "");
  std::vector<std::string> expected = {"OpenFileForReading gone.bmp", "OpenFileForReading "};
  EXPECT_EQ(expected, fake.calls());
  EXPECT_FALSE(missing.loaded());
  EXPECT_FALSE(empty.loaded());
}

TEST(BackgroundPictureTest, SmallWhiteOpensNoFileButOtherSpellingsAreFileNames) {
  FakePlatform fake;
  for (const char* name : {"SMALLWHITE", "smallwhite", "SMALLWHITE.bmp", "pics/SMALLWHITE"}) {
    fake.files[name] = MakeBmp(BmpLayout{});
  }
  BackgroundPicture exact(fake, "SMALLWHITE");
  EXPECT_TRUE(fake.calls().empty());
  EXPECT_TRUE(exact.smallWhite());
  EXPECT_FALSE(exact.loaded());

  for (const char* name : {"smallwhite", "SMALLWHITE.bmp", "pics/SMALLWHITE", "SMALLWHITE "}) {
    fake.ClearCalls();
    BackgroundPicture other(fake, name);
    ASSERT_FALSE(fake.calls().empty()) << name;
    EXPECT_EQ(std::string("OpenFileForReading ") + name, fake.calls()[0]) << name;
    EXPECT_FALSE(other.smallWhite()) << name;
  }
}

TEST(BackgroundPictureTest, DrawablePictureIsStretchedOverTheRectangle) {
  // The source rectangle is the whole picture, its height the row count
  // whichever way the rows are stored. The bits handed over end with the
  // last row's pixels, without its padding (rows of 12 and 24 bytes here).
  struct Row {
    const char* name;
    std::int32_t width, height;
    std::int32_t left, top, right, bottom;
    const char* call;
  };
  const Row rows[] = {
      {"bottom-up, squeezed", 640, 480, 0, 0, 500, 300,
       "StretchDIBits dc9 0,0 500x300 from 0,0 640x480 info=40 bits=921600 usage=0 "
       "rop=13369376"},
      {"top-down, enlarged", 3, -5, 10, 20, 110, 70,
       "StretchDIBits dc9 10,20 100x50 from 0,0 3x5 info=40 bits=57 usage=0 rop=13369376"},
      {"top-down, one row", 7, -1, 0, 0, 500, 300,
       "StretchDIBits dc9 0,0 500x300 from 0,0 7x1 info=40 bits=21 usage=0 rop=13369376"},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    BmpLayout layout;
    layout.width = row.width;
    layout.height = row.height;
    fake.files["pic.bmp"] = MakeBmp(layout);
    BackgroundPicture picture(fake, "pic.bmp");
    ASSERT_TRUE(picture.drawable()) << row.name;
    fake.ClearCalls();
    picture.PaintPicture(Dc(), row.left, row.top, row.right, row.bottom);
    EXPECT_EQ(std::vector<std::string>{row.call}, fake.calls()) << row.name;
    // Announced once, as loaded, with the very view the paint hands over.
    ASSERT_EQ(1u, fake.preparedPictures.size()) << row.name;
    ASSERT_EQ(1u, fake.stretchedPictures.size()) << row.name;
    const DibView& announced = fake.preparedPictures[0];
    const DibView& drawn = fake.stretchedPictures[0];
    EXPECT_TRUE(announced.info == drawn.info && announced.infoSize == drawn.infoSize &&
                announced.bits == drawn.bits && announced.bitsSize == drawn.bitsSize)
        << row.name;
  }
}

TEST(BackgroundPictureTest, NothingDrawableIsPaintedWhite) {
  struct Row {
    const char* name;
    const char* path;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<std::uint8_t> truncated = MakeBmp(BmpLayout{});
  truncated.resize(truncated.size() - 1);
  BmpLayout rleTopDown;
  rleTopDown.bitCount = 8;
  rleTopDown.compression = 1;
  rleTopDown.imageSize = 8;
  rleTopDown.height = -2;
  std::vector<Row> rows = {
      {"none configured", "", {}},
      {"SMALLWHITE", "SMALLWHITE", {}},
      {"missing", "missing.bmp", {}},
      {"empty file", "empty.bmp", std::vector<std::uint8_t>{}},
      {"not a BMP", "photo.bmp", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F',
                                  0,    1,    1,    0,    0, 1,    0,   1,   0,   0}},
      {"one byte short", "short.bmp", truncated},
      {"refused format", "rle.bmp", MakeBmp(rleTopDown)},
  };
  for (const Row& row : rows) {
    FakePlatform fake;
    if (std::string(row.name) != "missing" && row.path[0] != '\0') {
      fake.files[row.path] = row.bytes;
    }
    BackgroundPicture picture(fake, row.path);
    EXPECT_FALSE(picture.drawable()) << row.name;
    EXPECT_TRUE(fake.preparedPictures.empty()) << row.name;
    fake.ClearCalls();
    picture.PaintPicture(Dc(), 0, 0, 500, 300);
    EXPECT_EQ(std::vector<std::string>{"FillRect dc9 0,0,500,300 16777215"}, fake.calls())
        << row.name;
  }
}

TEST(BackgroundPictureTest, AFileThatIsNotABmpStaysInMemory) {
  FakePlatform fake;
  fake.files["photo.bmp"] = {0x89, 'P', 'N', 'G', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  BackgroundPicture picture(fake, "photo.bmp");
  EXPECT_TRUE(picture.loaded());
  EXPECT_EQ(16u, picture.size());
  EXPECT_EQ(PictureVerdict::kBadSignature, picture.verdict());
}

TEST(BackgroundPictureTest, APictureTooLargeToDrawIsNotKept) {
  // 23180 x 23180 at 32 bits is more pixel data than the drawing operation
  // takes; the file need not hold it for the header to say so.
  FakePlatform fake;
  BmpLayout layout;
  layout.bitCount = 32;
  layout.width = 23180;
  layout.height = -23180;
  layout.pixelBytes = 64;
  fake.files["huge.bmp"] = MakeBmp(layout);
  BackgroundPicture picture(fake, "huge.bmp");
  EXPECT_EQ(PictureVerdict::kPixelsTooLarge, picture.verdict());
  EXPECT_FALSE(picture.loaded());
  EXPECT_EQ(0u, picture.size());
  fake.ClearCalls();
  picture.PaintPicture(Dc(), 0, 0, 500, 300);
  EXPECT_EQ(std::vector<std::string>{"FillRect dc9 0,0,500,300 16777215"}, fake.calls());
}

TEST(BackgroundPictureTest, DestroyReleasesTheBytes) {
  FakePlatform fake;
  fake.files["pic.bmp"] = MakeBmp(BmpLayout{});
  BackgroundPicture picture(fake, "pic.bmp");
  ASSERT_TRUE(picture.loaded());
  picture.Destroy();
  EXPECT_FALSE(picture.loaded());
  EXPECT_FALSE(picture.drawable());
  fake.ClearCalls();
  picture.PaintPicture(Dc(), 0, 0, 4, 4);
  EXPECT_EQ(std::vector<std::string>{"FillRect dc9 0,0,4,4 16777215"}, fake.calls());
}

}  // namespace
}  // namespace mavrel
