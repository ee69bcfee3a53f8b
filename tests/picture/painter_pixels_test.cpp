// The painter's pictures checked by their pixels: where the text's ink lies, its direction,
// its contrast and colour, and that the base picture shows through unchanged elsewhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "picture/picture_rules.h"
#include "picture/watermark_painter.h"
#include "tests/picture/pixel_probe.h"
#include "tests/picture/system_fixtures.h"

namespace {

using pictest::CInk;
using pictest::CPixels;
using pictest::kBlack;
using pictest::kWhite;

struct CLook {
  std::wstring text = L"WATERMARK";
  uint32_t fontSize = 60;
  std::wstring colour = L"0,0,0";
  uint32_t transparency = 0;
  bool slanted = false;
};

void FillPolicy(_PRINT_EXCHG_INFO& p, const CLook& look) {
  using pictest::PutField;
  std::memset(&p, 0, sizeof(p));
  PutField(p.watermarkText, look.text);
  PutField(p.watermarkColor, look.colour);
  p.watermarkFontSize = look.fontSize;
  p.watermarkTransparency = look.transparency;
  p.watermarkHorizontal = look.slanted ? 0 : 1;
}

class PainterPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_gdiplus.Started());
    m_dir = pictest::FreshTempPath(L"kalpic_px");
    ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
  }
  void TearDown() override { pictest::RemoveTree(m_dir); }

  std::wstring Base(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const std::wstring path = m_dir + L"\\base" + std::to_wstring(++m_count) + L".bmp";
    EXPECT_TRUE(pictest::WriteSolidBitmap(path, w, h, r, g, b));
    return path;
  }

  // Draws look on the base, saves it as JPEG and decodes the result.
  CPixels Render(const std::wstring& base, const CLook& look) {
    m_lastOut = m_dir + L"\\out" + std::to_wstring(++m_count) + L".jpg";
    EXPECT_TRUE(Save(base, look, m_lastOut));
    CPixels pixels;
    EXPECT_TRUE(pictest::DecodePicture(m_lastOut, &pixels));
    return pixels;
  }
  // One painter's whole job: load base, draw look, save as JPEG to out.
  static bool Save(const std::wstring& base, const CLook& look, const std::wstring& out,
                   bool* loaded = nullptr) {
    CWaterMarkPainter painter;
    EXPECT_NE(painter.m_ulGdiplusToken, 0u);
    painter.m_strBasePicPath = base;
    FillPolicy(painter.m_policy, look);
    DrawWaterMark(painter);
    if (loaded) *loaded = painter.m_pImage != nullptr;
    return SaveAsJpeg(painter, out);
  }
  static constexpr int kInk = 80;  // a pixel this far from the background is ink

  pictest::CGdiplusSession m_gdiplus;
  std::wstring m_dir, m_lastOut;
  int m_count = 0;
};

constexpr int kJpegNoise = 12;  // re-encoding a flat picture stays within this

TEST_F(PainterPixels, TextIsCentredLevelOrRisingThirtyDegreesAndKeepsTheBaseSize) {
  for (bool slanted : {false, true}) {
    SCOPED_TRACE(slanted ? "slanted" : "level");
    CLook look;
    look.slanted = slanted;
    const CPixels pic = Render(Base(1000, 600, 255, 255, 255), look);
    ASSERT_EQ(pic.width, 1000);
    ASSERT_EQ(pic.height, 600);
    const CInk ink = pictest::MeasureInk(pic, kWhite, kInk);
    ASSERT_GT(ink.count, 2000);
    EXPECT_NEAR(ink.CentreX(), 500, 20);
    EXPECT_NEAR(ink.CentreY(), 300, 20);
    // Level: both halves of the word sit at the same height. Slanted: 30 degrees over the
    // quarter-word distance between the half centroids.
    const CInk left = pictest::MeasureInk(pic, kWhite, kInk, 0, 500);
    const CInk right = pictest::MeasureInk(pic, kWhite, kInk, 500, 1000);
    const double rise = left.CentreY() - right.CentreY();
    const double run = right.CentreX() - left.CentreX();
    ASSERT_GT(run, 50);
    EXPECT_NEAR(rise, slanted ? 0.577 * run : 0, slanted ? 0.12 * run : 6);
    if (!slanted) {
      EXPECT_GT(ink.Width(), 3 * ink.Height());
    } else {
      // Turned back by the drawing angle, the ink is level text inside the layout rectangle.
      double ax = 0, ay = 0;
      pictest::InkExtentInTextFrame(pic, kWhite, kInk, kal::kSlantAngleDegrees, &ax, &ay);
      EXPECT_LE(ax, 375 + 3);
      EXPECT_LE(ay, 100 + 3);
      EXPECT_GT(ax, 3 * ay);
    }
  }
}

TEST_F(PainterPixels, TextIsLaidOutInThreeQuartersOfTheWidthAndAThirdOfTheHeight) {
  // The first text wraps into three lines of 60 px: the lines reach out to the rectangle's
  // width, and the three of them fit only in a rectangle close to 200 px high (a lower one
  // drops a line). The second, smaller on a tall base, shows the rectangle following the base.
  const std::wstring wrapped = L"ALPHA BRAVO CHARLIE DELTA ECHO FOXTROT GOLF HOTEL";
  const struct {
    std::wstring text;
    uint32_t fontSize;
    int width, height;
    bool slanted;
    double maxX, minX, maxY, minY;  // ink extent in the text's frame (no lower y bound at 0)
    double centreTolerance;
  } cases[] = {
      {wrapped, 50, 1000, 600, false, 375, 320, 100, 75, 30},
      {wrapped, 50, 1000, 600, true, 375, 320, 100, 75, 30},
      {wrapped + L" INDIA JULIET KILO LIMA", 20, 640, 900, false, 240, 190, 150, 0, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " slanted " << c.slanted);
    CLook look;
    look.text = c.text;
    look.fontSize = c.fontSize;
    look.slanted = c.slanted;
    const CPixels pic = Render(Base(c.width, c.height, 255, 255, 255), look);
    ASSERT_EQ(pic.width, c.width);
    ASSERT_EQ(pic.height, c.height);
    double ax = 0, ay = 0;
    pictest::InkExtentInTextFrame(pic, kWhite, kInk, c.slanted ? kal::kSlantAngleDegrees : 0.0, &ax,
                                  &ay);
    EXPECT_LE(ax, c.maxX + 3);
    EXPECT_GE(ax, c.minX);
    EXPECT_LE(ay, c.maxY + 3);
    if (c.minY > 0) {
      EXPECT_GE(ay, c.minY);
    }
    const CInk ink = pictest::MeasureInk(pic, kWhite, kInk);
    EXPECT_NEAR(ink.CentreX(), c.width / 2, c.centreTolerance);
    EXPECT_NEAR(ink.CentreY(), c.height / 2, c.centreTolerance);
  }
}

TEST_F(PainterPixels, TransparencySetsTheInkContrast) {
  const std::wstring base = Base(800, 400, 255, 255, 255);
  CLook look;
  look.fontSize = 90;
  look.transparency = 0;
  const int opaque = pictest::MeasureInk(Render(base, look), kWhite, kInk).strongest;
  look.transparency = 128;
  const int half = pictest::MeasureInk(Render(base, look), kWhite, kInk).strongest;
  look.transparency = 256;  // low 8 bits of 255 - 256: opaque again
  const int wrapped = pictest::MeasureInk(Render(base, look), kWhite, kInk).strongest;
  look.transparency = 255;
  const CPixels invisible = Render(base, look);
  CPixels plain;
  ASSERT_TRUE(pictest::DecodePicture(base, &plain));

  EXPECT_GE(opaque, 220);
  EXPECT_GE(wrapped, 220);
  EXPECT_GE(half, 100);
  EXPECT_LE(half, 160);
  EXPECT_LE(pictest::MaxChannelDiff(invisible, plain), kJpegNoise);
}

TEST_F(PainterPixels, ColourComesFromTheColourRule) {
  CLook look;
  look.fontSize = 150;
  look.text = L"IM";
  look.colour = L" 0, 128 , 255 ";
  double rgb[3];
  pictest::CoreInkColour(Render(Base(800, 400, 255, 255, 255), look), kWhite, 200, rgb);
  EXPECT_NEAR(rgb[0], 0, 30);
  EXPECT_NEAR(rgb[1], 128, 30);
  EXPECT_NEAR(rgb[2], 255, 30);

  look.colour = L"";  // default grey, seen on black
  pictest::CoreInkColour(Render(Base(800, 400, 0, 0, 0), look), kBlack, 150, rgb);
  EXPECT_NEAR(rgb[0], 192, 20);
  EXPECT_NEAR(rgb[1], 192, 20);
  EXPECT_NEAR(rgb[2], 192, 20);

  look.colour = L"red";  // letters only: black
  pictest::CoreInkColour(Render(Base(800, 400, 255, 255, 255), look), kWhite, 200, rgb);
  EXPECT_LE(rgb[0], 30);
  EXPECT_LE(rgb[1], 30);
  EXPECT_LE(rgb[2], 30);
}

TEST_F(PainterPixels, EmSizeIsFontSizePlusTenPixels) {
  // Capital H stands about 0.73 em tall in Arial and its metric twins.
  const std::wstring base = Base(800, 400, 255, 255, 255);
  CLook look;
  look.text = L"HHHH";
  look.fontSize = 30;  // 40 px
  EXPECT_NEAR(pictest::MeasureInk(Render(base, look), kWhite, kInk).Height(), 0.73 * 40, 3);
  look.fontSize = 90;  // 100 px
  EXPECT_NEAR(pictest::MeasureInk(Render(base, look), kWhite, kInk).Height(), 0.73 * 100, 4);
  look.fontSize = 0;  // 10 px: still drawn
  const CInk tiny = pictest::MeasureInk(Render(base, look), kWhite, 40);
  EXPECT_GT(tiny.count, 0);
  EXPECT_LE(tiny.Height(), 10);
}

TEST_F(PainterPixels, EmptyTextLeavesTheBaseAsItWas) {
  const std::wstring base = Base(500, 300, 40, 90, 160);
  CPixels plain;
  ASSERT_TRUE(pictest::DecodePicture(base, &plain));
  CLook look;
  look.text = L"";
  const CPixels pic = Render(base, look);
  ASSERT_EQ(pic.width, 500);
  ASSERT_EQ(pic.height, 300);
  EXPECT_LE(pictest::MaxChannelDiff(pic, plain), kJpegNoise);
}

TEST_F(PainterPixels, SavingNeedsAPictureAndReplacesTheOldFile) {
  const std::wstring out = m_dir + L"\\kept.jpg";
  ASSERT_EQ(Render(Base(300, 200, 255, 255, 255), CLook()).width, 300);
  ASSERT_TRUE(CopyFileW(m_lastOut.c_str(), out.c_str(), FALSE));
  CPixels before, after;
  ASSERT_TRUE(pictest::DecodePicture(out, &before));

  // No picture loaded (the base does not exist): nothing is written and the old file stays.
  bool loaded = true;
  EXPECT_FALSE(Save(m_dir + L"\\missing.bmp", CLook(), out, &loaded));
  EXPECT_FALSE(loaded);
  ASSERT_TRUE(pictest::DecodePicture(out, &after));
  EXPECT_EQ(after.rgb, before.rgb);

  // A base that is not a picture: the old file is deleted and the save fails.
  const std::wstring broken = m_dir + L"\\broken.bmp";
  ASSERT_TRUE(pictest::WriteBytes(broken, "not a bitmap at all"));
  EXPECT_FALSE(Save(broken, CLook(), out));
  EXPECT_EQ(GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PainterPixels, EncoderLookupMatchesTheExactMimeType) {
  CLSID jpeg = {};
  const int index = GetEncoderClsid(L"image/jpeg", &jpeg);
  ASSERT_GE(index, 0);
  // The JPEG encoder's well-known class id.
  const CLSID expected = {
      0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  EXPECT_TRUE(IsEqualCLSID(jpeg, expected));
  CLSID bmp = {};
  const int bmpIndex = GetEncoderClsid(L"image/bmp", &bmp);
  EXPECT_GE(bmpIndex, 0);
  EXPECT_NE(bmpIndex, index);
  EXPECT_FALSE(IsEqualCLSID(bmp, jpeg));
  CLSID untouched = {};
  EXPECT_EQ(GetEncoderClsid(L"IMAGE/JPEG", &untouched), -1);
  EXPECT_EQ(GetEncoderClsid(L"image/jpe", &untouched), -1);
  EXPECT_TRUE(IsEqualCLSID(untouched, CLSID{}));
}

}  // namespace
