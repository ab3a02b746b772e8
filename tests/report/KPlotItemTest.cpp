#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "TempDir.h"

#include <ktpm/report/KPlotItem.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

using ktpm::test::TempDir;

// Reads the first item of a template file made of a plain header and the given item lines.
std::string HeaderThen(const std::string& itemLines) {
  return "PROJECT_PARENT_NODE : \"p\"\nNO_HTML_REPORTS : 0\nTEMPLATE_NAME : \"t\"\n" + itemLines;
}

TEST(KPlotItem, FieldNames) {
  KPlotItem plot;
  const char* names[] = {"Result Type", "Start Frame", "End Frame", "Width", "Height", "Type"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(names[i], plot.GetFieldName(-1 - i));
  EXPECT_EQ("", plot.GetFieldName(0));
  EXPECT_EQ("", plot.GetFieldName(-7));
  EXPECT_EQ("", plot.GetFieldValue(-7));
  EXPECT_EQ("JPEG (24 Bit)", plot.GetFieldValue(-6));
}

TEST(KPlotItem, DimensionsAreOneKeywordWrittenTwice) {
  TempDir dir;
  KReportTemplate reportTemplate;
  auto* plot = new KPlotItem;
  plot->SetFieldValue(-4, "800");
  plot->SetFieldValue(-5, "600");
  reportTemplate.AddItem(plot);
  std::string path = dir.File("dim.rpt");
  reportTemplate.Save(path);
  std::string text = TempDir::Read(path);
  size_t first = text.find("REPORT_PLOT_DIMENSIONS : 800\nREPORT_PLOT_DIMENSIONS : 600\n");
  EXPECT_NE(std::string::npos, first);
  EXPECT_NE(std::string::npos, text.find("REPORT_PLOT_ASPECT : 0.000000\n"));

  KReportTemplate loaded(path);
  auto* read = dynamic_cast<KPlotItem*>(loaded.GetFirstItem());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(800, read->GetWidth());
  EXPECT_EQ(600, read->GetHeight());
}

TEST(KPlotItem, MissingCameraLinesLeaveLaterEntriesAtTheirDefaults) {
  TempDir dir;
  std::string path = dir.Write("f.rpt", HeaderThen("ITEM_TYPE : \"REPORT_PLOT\"\n"
                                                   "REPORT_PLOT_ID : 5\n"
                                                   "REPORT_PLOT_PARENT : 0\n"
                                                   "REPORT_PLOT_CHILD : 0\n"
                                                   "REPORT_PLOT_RESULTTYPE : \"Fill\"\n"
                                                   "REPORT_PLOT_STARTFRAME : 0\n"
                                                   "REPORT_PLOT_ENDFRAME : 9\n"
                                                   "REPORT_PLOT_FEED : 5\n"
                                                   "REPORT_PLOT_IMAGEFILE : \"a\\b/c.jpg\"\n"));
  KReportTemplate reportTemplate(path);
  auto* plot = dynamic_cast<KPlotItem*>(reportTemplate.GetFirstItem());
  ASSERT_NE(nullptr, plot);
  // The camera lines are missing: every later number read takes a line meant for another
  // entry and misses, and the image file line is swallowed by a number read.
  EXPECT_EQ("Fill", plot->GetFieldValue(-1));
  EXPECT_EQ(5, plot->GetId());
  EXPECT_EQ(0, plot->GetEndFrame());
  EXPECT_EQ(0, plot->IsAnimated());
  EXPECT_EQ(1, plot->GetFeed());
  EXPECT_EQ("", plot->GetImageFile());
  EXPECT_EQ("JPEG (24 Bit)", plot->GetImageType());
}

TEST(KPlotItem, ReadingNormalisesFeedImageFileAndAnimation) {
  TempDir dir;
  KReportTemplate source;
  auto* plot = new KPlotItem;
  plot->SetEndFrame(9);
  source.AddItem(plot);
  std::string path = dir.File("n.rpt");
  source.Save(path);
  std::string text = TempDir::Read(path);
  text.replace(text.find("REPORT_PLOT_FEED : 1"), 20, "REPORT_PLOT_FEED : 5");
  text.replace(text.find("REPORT_PLOT_IMAGEFILE : \"\""), 26,
               "REPORT_PLOT_IMAGEFILE : \"img\\fill/a.jpg\"");
  dir.Write("n.rpt", text);

  KReportTemplate loaded(path);
  auto* read = dynamic_cast<KPlotItem*>(loaded.GetFirstItem());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(1, read->GetFeed());
  EXPECT_EQ("img/fill/a.jpg", read->GetImageFile());
  EXPECT_EQ("1", read->GetFieldValue(-2));
  EXPECT_EQ("10", read->GetFieldValue(-3));
  EXPECT_EQ(1, read->IsAnimation());
  EXPECT_EQ(1, read->IsAnimated());
  read->SetFieldValue(-2, "3");
  EXPECT_EQ(2, read->GetStartFrame());
  read->SetFieldValue(-3, "2");
  EXPECT_EQ(0, read->IsAnimation());
}

TEST(KPlotItem, FieldsConvertNumbersAndSaturate) {
  KPlotItem plot;
  plot.SetFieldValue(-4, "-1");
  EXPECT_EQ("", plot.GetFieldValue(-4));
  plot.SetFieldValue(-5, "abc");
  EXPECT_EQ("0", plot.GetFieldValue(-5));
  plot.SetFieldValue(-2, "-2147483648");
  EXPECT_EQ(INT_MIN, plot.GetStartFrame());
  plot.SetFieldValue(-3, "99999999999");
  EXPECT_EQ(INT_MAX - 1, plot.GetEndFrame());
  plot.SetEndFrame(INT_MAX);
  EXPECT_EQ("2147483648", plot.GetFieldValue(-3));
  plot.SetFieldValue(-1, "Pressure");
  plot.SetFieldValue(-6, "PNG");
  plot.SetFieldValue(-9, "ignored");
  EXPECT_EQ("Pressure", plot.GetResultType());
  EXPECT_EQ("PNG", plot.GetImageType());
}

TEST(KPlotItem, ImageFileExistsOnlyForAnExistingFile) {
  TempDir dir;
  KPlotItem plot;
  EXPECT_EQ(0, plot.ImageFileExists());
  plot.SetImageFile(dir.File("missing.jpg"));
  EXPECT_EQ(0, plot.ImageFileExists());
  plot.SetImageFile(dir.Write("there.jpg", "jpeg"));
  EXPECT_EQ(1, plot.ImageFileExists());
}

TEST(KVrmlItem, DefaultsFieldsAndEntries) {
  TempDir dir;
  KVrmlItem scene;
  EXPECT_EQ(5, scene.GetItemType());
  EXPECT_EQ("REPORT_VRML", scene.GetItemKeyword());
  EXPECT_EQ("<VRML_TITLE>", scene.GetTitle());
  EXPECT_EQ(1, scene.GetSurface());
  EXPECT_EQ(0, scene.GetWire());
  EXPECT_EQ(1, scene.GetFieldCount());
  EXPECT_EQ("Result Type", scene.GetFieldName(-1));
  EXPECT_EQ("", scene.GetFieldName(-2));
  EXPECT_EQ("", scene.GetFieldValue(-2));
  scene.SetFieldValue(-4, "10");
  EXPECT_EQ(460, scene.GetWidth());

  KReportTemplate reportTemplate;
  auto* item = new KVrmlItem;
  item->SetId(3);
  item->SetChildId(0);
  item->SetFieldValue(-1, "Temperature");
  item->SetSceneFile("s\\t.wrl");
  KPlotCamera camera;
  camera.aspect = 2.0;
  item->SetCamera(camera);
  reportTemplate.AddItem(item);
  std::string path = dir.File("v.rpt");
  {
    KTemplateStream stream;
    ASSERT_EQ(1, stream.Open(path, 0));
    reportTemplate.Write(stream);
  }
  std::string text = TempDir::Read(path);
  EXPECT_NE(std::string::npos, text.find("ITEM_TYPE : \"REPORT_VRML\"\n"
                                         "REPORT_VRML_ID : 3\n"
                                         "REPORT_VRML_PARENT : 0\n"
                                         "REPORT_VRML_CHILD : 0\n"
                                         "REPORT_VRML_RESULTTYPE : \"Temperature\"\n"
                                         "REPORT_VRML_LEGEND : 1\n"
                                         "REPORT_VRML_SURFACE : 1\n"
                                         "REPORT_VRML_WIRE : 0\n"
                                         "REPORT_VRML_FEATURE : 0\n"
                                         "REPORT_VRML_HIDDEN : 0\n"
                                         "REPORT_VRML_MODEL : 1\n"
                                         "REPORT_VRML_FEED : 1\n"
                                         "REPORT_VRML_TITLE : \"<VRML_TITLE>\"\n"
                                         "REPORT_VRML_VRMLFILE : \"s\\t.wrl\"\n"));
  KReportTemplate loaded(path);
  auto* read = dynamic_cast<KVrmlItem*>(loaded.GetFirstItem());
  ASSERT_NE(nullptr, read);
  EXPECT_EQ("s/t.wrl", read->GetSceneFile());
  EXPECT_EQ(0.0, read->GetCamera().aspect);  // the camera is not stored for a 3D scene
  EXPECT_EQ("Temperature", read->GetFieldValue(-1));
}

}  // namespace
