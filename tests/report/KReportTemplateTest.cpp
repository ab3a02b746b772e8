#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "CommaDecimalLocale.h"
#include "TempDir.h"
#include "platform/FileSizeLimit.h"

#include <ktpm/report/KReportTemplate.h>

namespace {

using ktpm::test::TempDir;

// A template with one item of every kind, with values that differ from the defaults.
void FillEveryKind(KReportTemplate& reportTemplate) {
  reportTemplate.SetProjectParentNode("part1.ktl");
  reportTemplate.AddHtmlReportDir("reports/first");
  reportTemplate.AddHtmlReportDir("reports/second");
  reportTemplate.SetTemplateName("Fill study\nsecond line");

  auto* base = new KReportItem;
  base->SetTitle("not stored");
  reportTemplate.AddItem(base);

  auto* titlePage = new KTitlePageItem;
  titlePage->SetTitle("Cover");
  titlePage->SetFieldValue(-1, "Ann Author");
  titlePage->SetFieldValue(-5, "Bob Recipient");
  KLogFont logFont;
  logFont.lfHeight = -13;
  logFont.lfWeight = 700;
  logFont.lfItalic = 1;
  std::strcpy(logFont.lfFaceName, "Arial");
  titlePage->GetFont().SetLogFont(logFont);
  titlePage->GetFont().SetColor(0x00336699);
  reportTemplate.AddItem(titlePage);

  auto* picture = new KPlotItem;
  picture->SetTitle("Fill time");
  picture->SetFieldValue(-1, "Fill Time");
  picture->SetFieldValue(-2, "1");
  picture->SetFieldValue(-3, "10");
  picture->SetFieldValue(-4, "800");
  picture->SetFieldValue(-5, "600");
  picture->SetImageFile("images/fill.jpg");
  KPlotCamera camera;
  camera.perspective = 1;
  camera.aspect = 1.25;
  camera.quaternion[3] = 0.5f;
  camera.focalPoint[1] = -2.75f;
  picture->SetCamera(camera);
  reportTemplate.AddItem(picture, titlePage);

  auto* section = new KSectionItem;
  section->SetTitle("Results");
  reportTemplate.AddItem(section);

  auto* text = new KTextItem;
  text->SetFieldValue(-1, "Some words\nover two lines");
  reportTemplate.AddItem(text, section);

  auto* scene = new KVrmlItem;
  scene->SetFieldValue(-1, "Pressure");
  scene->SetSceneFile("scenes/p.wrl");
  reportTemplate.AddItem(scene, section);

  auto* result = new KResultItem;
  result->SetTitle("Max pressure");
  result->SetResultItem("Pressure");
  result->SetResultValue("54.2 MPa");
  reportTemplate.AddItem(result, section);

  auto* information = new KInformationItem;
  information->SetFieldValue(-1, "Link");
  information->SetFieldValue(-2, "More");
  reportTemplate.AddItem(information, section);
}

// Writes the template to path as it is (Save of a template without a path of its own would
// empty its image files).
void WriteTemplate(const KReportTemplate& reportTemplate, const std::string& path) {
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 0));
  reportTemplate.Write(stream);
}

std::string SaveToText(KReportTemplate& reportTemplate, const TempDir& dir,
                       const std::string& name) {
  reportTemplate.Save(dir.File(name));
  return TempDir::Read(dir.File(name));
}

TEST(KReportTemplate, WriteThenReadGivesBackEveryItemKind) {
  TempDir dir;
  std::string path = dir.File("study.rpt");
  KReportTemplate original;
  FillEveryKind(original);
  WriteTemplate(original, path);

  KReportTemplate loaded(path);
  EXPECT_EQ("part1.ktl", loaded.GetProjectParentNode());
  ASSERT_EQ(2, loaded.GetHtmlReportDirCount());
  EXPECT_EQ("reports/first", loaded.GetHtmlReportDir(0));
  EXPECT_EQ("reports/second", loaded.GetHtmlReportDir(1));
  EXPECT_EQ("Fill study\nsecond line", loaded.GetTemplateName());
  ASSERT_EQ(8, loaded.GetItemCount());

  int index = 0;
  KReportItem* expected = original.GetFirstItem();
  for (KReportItem* item = loaded.GetFirstItem(); item != nullptr;
       item = loaded.GetNextItem(), expected = original.GetNextItem(), ++index) {
    ASSERT_NE(nullptr, expected);
    SCOPED_TRACE(index);
    EXPECT_EQ(expected->GetItemType(), item->GetItemType());
    EXPECT_EQ(expected->GetId(), item->GetId());
    EXPECT_EQ(expected->GetParentId(), item->GetParentId());
    EXPECT_EQ(expected->GetChildId(), item->GetChildId());
    EXPECT_EQ(expected->GetImageFile(), item->GetImageFile());
    if (item->GetItemType() != 0) {
      EXPECT_EQ(expected->GetTitle(), item->GetTitle());
    }
    for (int field = -1; field >= -item->GetFieldCount(); --field) {
      EXPECT_EQ(expected->GetFieldValue(field), item->GetFieldValue(field));
    }
  }
  EXPECT_EQ(8, index);
  EXPECT_EQ(nullptr, loaded.GetNextItem());

  // Saving the loaded template again gives the same file.
  std::string again = dir.File("study.rpt");
  std::string before = TempDir::Read(path);
  loaded.Save(again);
  EXPECT_EQ(before, TempDir::Read(again));

  auto* titlePage =
      dynamic_cast<KTitlePageItem*>(loaded.FindItem(original.GetFirstItem()->GetId() + 1));
  ASSERT_NE(nullptr, titlePage);
  EXPECT_EQ("Arial", std::string(titlePage->GetFont().GetLogFont().lfFaceName));
  EXPECT_EQ(700, titlePage->GetFont().GetLogFont().lfWeight);
  EXPECT_EQ(0x00336699u, titlePage->GetFont().GetColor());
  ASSERT_NE(nullptr, titlePage->GetPicture());
  EXPECT_EQ("Fill time", titlePage->GetPicture()->GetTitle());
  EXPECT_EQ(1.25, titlePage->GetPicture()->GetCamera().aspect);
  EXPECT_EQ(-2.75f, titlePage->GetPicture()->GetCamera().focalPoint[1]);
}

TEST(KReportTemplate, NumbersAreTheSameUnderACommaDecimalLocale) {
  TempDir dir;
  KReportTemplate original;
  FillEveryKind(original);
  WriteTemplate(original, dir.File("c.rpt"));
  const std::string written = TempDir::Read(dir.File("c.rpt"));
  ASSERT_NE(std::string::npos, written.find("_ASPECT : 1.250000\n"));

  ktpm::test::CommaDecimalLocale locale;
  if (!locale.installed()) GTEST_SKIP() << ktpm::test::CommaDecimalLocale::kName << " missing";
  WriteTemplate(original, dir.File("de.rpt"));
  EXPECT_EQ(written, TempDir::Read(dir.File("de.rpt")));
  KReportTemplate loaded(dir.File("c.rpt"));
  auto* titlePage =
      dynamic_cast<KTitlePageItem*>(loaded.FindItem(original.GetFirstItem()->GetId() + 1));
  ASSERT_TRUE(titlePage != nullptr && titlePage->GetPicture() != nullptr);
  EXPECT_EQ(1.25, titlePage->GetPicture()->GetCamera().aspect);
  EXPECT_EQ(0.5f, titlePage->GetPicture()->GetCamera().quaternion[3]);
  EXPECT_EQ(-2.75f, titlePage->GetPicture()->GetCamera().focalPoint[1]);
}

TEST(KReportTemplate, WritesTheHeaderLayout) {
  TempDir dir;
  KReportTemplate reportTemplate;
  reportTemplate.SetProjectParentNode("part1.ktl");
  reportTemplate.AddHtmlReportDir("part1_rpt/Standard");
  reportTemplate.SetTemplateName("My report");
  auto* section = new KSectionItem;
  section->SetId(7);
  reportTemplate.AddItem(section);
  EXPECT_EQ(
      "PROJECT_PARENT_NODE : \"part1.ktl\"\n"
      "NO_HTML_REPORTS : 1\n"
      "HTML_REPORT_DIR : \"part1_rpt/Standard\"\n"
      "TEMPLATE_NAME : \"My report\"\n"
      "ITEM_TYPE : \"REPORT_SECTION\"\n"
      "REPORT_SECTION_ID : 7\n"
      "REPORT_SECTION_PARENT : 0\n"
      "REPORT_SECTION_CHILD : 0\n"
      "REPORT_SECTION_TITLE : \"<SECTION_TITLE>\"\n"
      "FONT\n"
      "FONT_HEIGHT : 0\nFONT_WIDTH : 0\nFONT_ESCAPEMENT : 0\nFONT_ORIENT : 0\n"
      "FONT_WEIGHT : 0\nFONT_ITALIC : 0\nFONT_UNDERLINE : 0\nFONT_STRIKE : 0\n"
      "FONT_CHARSET : 0\nFONT_OUT : 0\nFONT_CLIP : 0\nFONT_QUALITY : 0\n"
      "FONT_PITCHANDFAMILY : 0\nFONT_FACENAME : \"\"\n"
      "FONT_COLOR_R : 0\nFONT_COLOR_G : 0\nFONT_COLOR_B : 0\n",
      SaveToText(reportTemplate, dir, "h.rpt"));
}

TEST(KReportTemplate, ReadsDirectoriesWithTheNativeSeparatorAndWithoutDuplicates) {
  TempDir dir;
  std::string path = dir.Write("d.rpt",
                               "PROJECT_PARENT_NODE : \"p.ktl\"\n"
                               "no_html_reports : 3\n"
                               "HTML_REPORT_DIR : \"rep\\one\"\n"
                               "HTML_REPORT_DIR : \"rep/one\"\n"
                               "HTML_REPORT_DIR : \"rep\\two\"\n"
                               "TEMPLATE_NAME : \"N\"\n");
  KReportTemplate reportTemplate(path);
  ASSERT_EQ(2, reportTemplate.GetHtmlReportDirCount());
  EXPECT_EQ("rep/one", reportTemplate.GetHtmlReportDir(0));
  EXPECT_EQ("rep/two", reportTemplate.GetHtmlReportDir(1));
  EXPECT_EQ("", reportTemplate.GetHtmlReportDir(2));
  EXPECT_EQ("", reportTemplate.GetHtmlReportDir(-1));
  EXPECT_EQ("N", reportTemplate.GetTemplateName());
  EXPECT_EQ(0, reportTemplate.GetItemCount());
}

TEST(KReportTemplate, HugeDirectoryCountStopsAtTheEndOfTheFile) {
  TempDir dir;
  std::string path = dir.Write("c.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\n"
                               "NO_HTML_REPORTS : 2147483647\n"
                               "HTML_REPORT_DIR : \"a\"\n");
  KReportTemplate reportTemplate(path);
  ASSERT_EQ(1, reportTemplate.GetHtmlReportDirCount());
  EXPECT_EQ("a", reportTemplate.GetHtmlReportDir(0));
}

TEST(KReportTemplate, ReadHeaderSkipsTheItems) {
  TempDir dir;
  KReportTemplate full;
  FillEveryKind(full);
  std::string path = dir.File("h.rpt");
  full.Save(path);
  KReportTemplate header;
  header.AddItem(new KTextItem);
  header.ReadHeader(path);
  EXPECT_EQ(0, header.GetItemCount());
  EXPECT_EQ("part1.ktl", header.GetProjectParentNode());
  EXPECT_EQ(2, header.GetHtmlReportDirCount());
  EXPECT_EQ(path, header.GetPath());
}

TEST(KReportTemplate, UnknownItemTypesAreSkipped) {
  TempDir dir;
  std::string path = dir.Write("u.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\n"
                               "NO_HTML_REPORTS : 0\n"
                               "TEMPLATE_NAME : \"\"\n"
                               "ITEM_TYPE : \"REPORT_CHART\"\n"
                               "REPORT_CHART_ID : 4\n"
                               "ITEM_TYPE : \"report_text\"\n"
                               "ITEM_TYPE : \"REPORT_TEXT\"\n"
                               "REPORT_TEXT_ID : 9\n"
                               "REPORT_TEXT_PARENT : 0\n"
                               "REPORT_TEXT_CHILD : 0\n"
                               "REPORT_TEXT_TEXT : \"hello\"\n");
  KReportTemplate reportTemplate(path);
  ASSERT_EQ(1, reportTemplate.GetItemCount());
  KReportItem* item = reportTemplate.GetFirstItem();
  EXPECT_EQ(3, item->GetItemType());
  EXPECT_EQ(9, item->GetId());
  EXPECT_EQ("hello", item->GetFieldValue(-1));
}

TEST(KReportTemplate, ItemWithoutFontBlockLeavesTheNextItemIntact) {
  TempDir dir;
  std::string path = dir.Write("nf.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\n"
                               "NO_HTML_REPORTS : 0\n"
                               "TEMPLATE_NAME : \"t\"\n"
                               "ITEM_TYPE : \"REPORT_SECTION\"\n"
                               "REPORT_SECTION_ID : 1\n"
                               "REPORT_SECTION_PARENT : 0\n"
                               "REPORT_SECTION_CHILD : 0\n"
                               "REPORT_SECTION_TITLE : \"Filling\"\n"
                               "ITEM_TYPE : \"REPORT_PLOT\"\n"
                               "REPORT_PLOT_ID : 2\n"
                               "REPORT_PLOT_PARENT : 1\n"
                               "REPORT_PLOT_CHILD : 0\n"
                               "REPORT_PLOT_RESULTTYPE : \"Fill Time\"\n");
  KReportTemplate reportTemplate(path);
  ASSERT_EQ(2, reportTemplate.GetItemCount());
  EXPECT_EQ("Filling", reportTemplate.GetFirstItem()->GetTitle());
  KReportItem* plot = reportTemplate.GetNextItem();
  EXPECT_EQ(4, plot->GetItemType());
  EXPECT_EQ(1, plot->GetParentId());
  EXPECT_EQ("Fill Time", plot->GetFieldValue(-1));
}

TEST(KReportTemplate, MissingNumberEntryShiftsTheFollowingNumbers) {
  TempDir dir;
  // The _ID line is missing: _PARENT is read where _ID was expected and misses, and so on.
  std::string path = dir.Write("m.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\n"
                               "NO_HTML_REPORTS : 0\n"
                               "TEMPLATE_NAME : \"t\"\n"
                               "ITEM_TYPE : \"REPORT_SECTION\"\n"
                               "REPORT_SECTION_PARENT : 3\n"
                               "REPORT_SECTION_CHILD : 4\n"
                               "REPORT_SECTION_TITLE : \"Heading\"\n");
  KReportTemplate reportTemplate(path);
  ASSERT_EQ(1, reportTemplate.GetItemCount());
  KReportItem* item = reportTemplate.GetFirstItem();
  // Each number read takes the next line: the _CHILD read swallows the title line, so the
  // title string finds no quoted text before the end.
  EXPECT_EQ(0, item->GetParentId());
  EXPECT_EQ(0, item->GetChildId());
  EXPECT_EQ("", item->GetTitle());
}

TEST(KReportTemplate, UnreadableFileLeavesAnEmptyTemplateWithItsPath) {
  TempDir dir;
  std::string path = dir.File("none.rpt");
  KReportTemplate reportTemplate(path);
  EXPECT_EQ(0, reportTemplate.GetItemCount());
  EXPECT_EQ("", reportTemplate.GetProjectParentNode());
  EXPECT_EQ(path, reportTemplate.GetPath());
  EXPECT_EQ(path, reportTemplate.GetDisplayName());
  reportTemplate.SetTemplateName("Named");
  EXPECT_EQ("Named", reportTemplate.GetDisplayName());
}

TEST(KReportTemplate, SaveUnderAnotherPathEmptiesImageAndSceneFiles) {
  TempDir dir;
  std::string path = dir.File("own.rpt");
  KReportTemplate reportTemplate;
  FillEveryKind(reportTemplate);
  WriteTemplate(reportTemplate, path);
  KReportTemplate loaded(path);

  std::string upper = path.substr(0, path.size() - 7) + "OWN.RPT";
  loaded.Save(upper);
  int images = 0;
  for (KReportItem* item = loaded.GetFirstItem(); item; item = loaded.GetNextItem()) {
    if (!item->GetImageFile().empty()) ++images;
  }
  EXPECT_EQ(2, images);
  EXPECT_EQ(0, loaded.IsModified());

  loaded.Save(dir.File("copy.rpt"));
  for (KReportItem* item = loaded.GetFirstItem(); item; item = loaded.GetNextItem()) {
    EXPECT_EQ("", item->GetImageFile());
  }
  EXPECT_EQ(path, loaded.GetPath());
  KReportTemplate copy(dir.File("copy.rpt"));
  EXPECT_EQ(std::string::npos, TempDir::Read(dir.File("copy.rpt")).find("fill.jpg"));
}

TEST(KReportTemplate, SaveToAnUncreatableFileChangesNothing) {
  TempDir dir;
  KReportTemplate reportTemplate;
  FillEveryKind(reportTemplate);
  reportTemplate.Save(dir.File("missing/dir/x.rpt"));
  int images = 0;
  for (KReportItem* item = reportTemplate.GetFirstItem(); item;
       item = reportTemplate.GetNextItem()) {
    if (!item->GetImageFile().empty()) ++images;
  }
  EXPECT_EQ(2, images);
}

TEST(KReportTemplate, ReportDataDirReplacesTheDotsOfTheFileName) {
  KReportTemplate backslashes;
  backslashes.ReadHeader("D:\\proj\\part.rpt");
  EXPECT_EQ("D:\\proj\\part_rpt", backslashes.GetReportDataDir());
  KReportTemplate dotted;
  dotted.ReadHeader("/work/my.project/part.v2.rpt");
  EXPECT_EQ("/work/my.project/part_v2_rpt", dotted.GetReportDataDir());
  KReportTemplate bare;
  bare.ReadHeader("part.rpt");
  EXPECT_EQ("part_rpt", bare.GetReportDataDir());
}

TEST(KReportTemplate, AddItemLinksParentsAndTitlePagePicture) {
  KReportTemplate reportTemplate;
  EXPECT_EQ(0, reportTemplate.IsModified());
  reportTemplate.AddItem(nullptr);
  EXPECT_EQ(0, reportTemplate.GetItemCount());

  auto* titlePage = new KTitlePageItem;
  reportTemplate.AddItem(titlePage);
  auto* scene = new KVrmlItem;
  reportTemplate.AddItem(scene, titlePage);
  EXPECT_EQ(titlePage->GetId(), scene->GetParentId());
  EXPECT_EQ(nullptr, titlePage->GetPicture());  // a 3D scene is not a picture

  auto* plot = new KPlotItem;
  plot->SetParentId(titlePage->GetId());
  reportTemplate.AddItem(plot);  // parent found by the item's link
  EXPECT_EQ(plot, titlePage->GetPicture());

  reportTemplate.AddItem(plot);  // already held: not added twice
  EXPECT_EQ(3, reportTemplate.GetItemCount());
  EXPECT_EQ(scene, reportTemplate.FindItem(scene->GetId()));
  EXPECT_EQ(nullptr, reportTemplate.FindItem(-5));

  reportTemplate.AddHtmlReportDir("a");
  reportTemplate.Clear();
  EXPECT_EQ(0, reportTemplate.GetItemCount());
  EXPECT_EQ(0, reportTemplate.GetHtmlReportDirCount());
  EXPECT_EQ(nullptr, reportTemplate.GetFirstItem());
}

TEST(KReportTemplate, EmptyAndGarbageFilesReadAsEmpty) {
  TempDir dir;
  for (const std::string& text :
       {std::string(), std::string("\"\"\"\"\"\""), std::string(5000, '\n'),
        std::string("ITEM_TYPE : \"REPORT_PLOT\"\n") + std::string(2000, 'x'),
        std::string("\0\0\"REPORT_TEXT\"\0", 15)}) {
    std::string path = dir.Write("g.rpt", text);
    KReportTemplate reportTemplate(path);
    EXPECT_LE(reportTemplate.GetItemCount(), 1);
  }
}

TEST(KReportTemplate, AFailedSaveLeavesTheFileWholeAndReportsIt) {
  TempDir dir;
  KReportTemplate reportTemplate;
  FillEveryKind(reportTemplate);
  const std::string before = SaveToText(reportTemplate, dir, "study.rpt");
  reportTemplate.SetTemplateName("renamed");
  {
    ktpm::test::FileSizeLimit limit(64);
    EXPECT_EQ(0, reportTemplate.Save(dir.File("study.rpt")));
  }
  EXPECT_EQ(before, TempDir::Read(dir.File("study.rpt")));
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

}  // namespace
