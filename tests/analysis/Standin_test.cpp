// The stand-in programs, run as jobs the way the library submits them, produce the files the
// library reads back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "JobTestSupport.h"

#include <ktpm/analysis/KFlowRestarts.h>
#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

using ktpm::jobtest::CurrentDirectory;
using ktpm::jobtest::ReadText;
using ktpm::jobtest::ScopedEnvironment;
using ktpm::jobtest::TempDir;
using ktpm::jobtest::WriteText;

const std::string kToolsDir = std::string(KTPM_TOOLS_BINARY_DIR) + "/bin";

class StandinFixture : public ::testing::Test {
 protected:
  StandinFixture() : tools("KT_TOOLS_DIR", kToolsDir), cwd(temp.path()) {
    manager.SetLogDirectory(temp / "logs");
  }

  void SetUp() override {
    if (!std::filesystem::exists(kToolsDir + "/ktl"))
      GTEST_SKIP() << "the stand-in programs are not built (tools are off)";
  }

  // Runs one command line as a job and gives its final status.
  int32_t Run(const std::string& commandLine) {
    std::string name = "job" + std::to_string(++jobs);
    manager.SubmitJob("stand-in", commandLine, name, 0, 0, nullptr, nullptr);
    EXPECT_EQ(manager.WaitForIdle(30000), 1) << commandLine;
    for (const KJobRecord& record : manager.GetJobList())
      if (record.name == name) return record.status;
    return -1;
  }

  bool Exists(const std::string& name) const { return std::filesystem::exists(temp / name); }

  static std::string LastLine(const std::string& path) {
    std::string text = ReadText(path);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.find_last_of('\n') + 1);
  }

  TempDir temp;
  ScopedEnvironment tools;
  CurrentDirectory cwd;
  int jobs = 0;
  KJobsManager manager;
};

using Standin = StandinFixture;

TEST_F(Standin, FillAnalysisWritesResultsRestartsAndRunOutputs) {
  WriteText(temp / "part.001", "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: part.fsu\n");
  ASSERT_EQ(Run("ktl -input part.001 -screenlog part.501"), JOB_SUCCEEDED);
  EXPECT_EQ(LastLine(temp / "part.fsu"), "Completed analysis");
  EXPECT_EQ(LastLine(temp / "part.501"), "Completed analysis");
  for (const char* name : {"part.fnr", "part.fer", "part.flm", "part.fts", "part.fr0"}) {
    EXPECT_TRUE(Exists(name)) << name;
    EXPECT_NE(GetResultTypeFromFileName(name), RT_NONE) << name;
  }
  EXPECT_TRUE(Exists("part.fr1"));
  EXPECT_TRUE(Exists("part.fr2"));
  KKeywordFile keywordOutput;
  keywordOutput.Load("part.901");
  EXPECT_EQ(keywordOutput.GetValue("3DFLOW_ANALYSIS_AIM"), "FILL");
  EXPECT_EQ(keywordOutput.GetValue("STANDIN_RESULT_FILE"), "part.fsu");
  KFlowRestarts restarts("part.fsu");
  ASSERT_EQ(restarts.GetCount(), 3);
  EXPECT_EQ(restarts.GetDescription(2), "End of fill");
}

TEST_F(Standin, PackThatContinuesItsFillWritesBothResults) {
  WriteText(temp / "part.002",
            "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n3DFLOW_RESULT_NAME: part\n");
  ASSERT_EQ(Run("ktl -input part.002 -screenlog part.502"), JOB_SUCCEEDED);
  for (const char* name : {"part.psu", "part.fsu", "part.pr1", "part.pr0", "part.fr0", "part.rsm",
                           "part.pmp", "part.502", "part.902"})
    EXPECT_TRUE(Exists(name)) << name;
  EXPECT_EQ(LastLine(temp / "part.psu"), "Completed analysis");
  // The end of packing converts into the keywords a warp analysis starts from.
  ASSERT_EQ(Run("ktl -restokey -input part.pr0 -output start.060 -gui"), JOB_SUCCEEDED);
  KKeywordFile start;
  start.Load("start.060");
  EXPECT_EQ(start.GetValue("3DFLOW_RESTART"), "END_OF_PACKING");
  EXPECT_EQ(start.GetValue("3DFLOW_RESTART_END_OF_PACKING"), "part.pr0");
}

TEST_F(Standin, CureAndCoolAndWarpUseTheirRegistryNames) {
  WriteText(temp / "cure.004",
            "3DFLOW_ANALYSIS_AIM: CURING\n3DFLOW_RESTART: END_OF_FILLING\n"
            "3DFLOW_RESULT_NAME: cure\n");
  WriteText(temp / "cool.040", "3DCOOL_RESULT_NAME: cool.csu\n");
  WriteText(temp / "xs.041", "2DCOOL_RESULT_NAME: xs\n");
  WriteText(temp / "warp.060", "3DSTRUCT_FENAS_INPUT_FILE: warp.jsu\n");
  ASSERT_EQ(Run("ktl -input cure.004 -screenlog cure.504"), JOB_SUCCEEDED);
  ASSERT_EQ(Run("bemcl -input cool.040 -screenlog cool.540"), JOB_SUCCEEDED);
  ASSERT_EQ(Run("tcl -input xs.041 -screenlog xs.541"), JOB_SUCCEEDED);
  ASSERT_EQ(Run("warpindd -input warp.060 -fenas -output warp.560"), JOB_SUCCEEDED);
  for (const char* name :
       {"cure.ksu", "cure.kr1", "cure.kr0", "cool.csu", "cool.cem", "cool.540", "cool.940",
        "xs.tsu", "xs.tnr", "warp.jsu", "warp.out", "warp.560", "warp.960"})
    EXPECT_TRUE(Exists(name)) << name;
  // A cure that restarts from a fill result writes no fill result of its own.
  EXPECT_FALSE(Exists("cure.fsu"));
}

TEST_F(Standin, FailingAnalysisWritesItsErrorOutput) {
  WriteText(temp / "bad.001",
            "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: bad\nSTANDIN_OUTCOME: FAIL\n");
  WriteText(temp / "bad.090", "MOLD3D_RESULT_NAME: bad3d\nSTANDIN_OUTCOME: FAIL\n");
  EXPECT_EQ(Run("ktl -input bad.001 -screenlog bad.501"), JOB_FAILED);
  EXPECT_EQ(Run("mold3d -input bad.090 -screenlog bad.590"), JOB_FAILED);
  EXPECT_EQ(Run("ktl -input missing.001 -screenlog missing.501"), JOB_FAILED);
  EXPECT_EQ(ReadText(temp / "bad.fse"), "*** ERROR: the analysis of bad.001 failed\n");
  EXPECT_TRUE(Exists("bad3d.m3e"));
  EXPECT_TRUE(Exists("missing.fse"));
  EXPECT_FALSE(Exists("bad.fsu"));
  EXPECT_FALSE(Exists("bad3d.m3r"));
  EXPECT_EQ(LastLine(temp / "bad.501"), "*** ERROR: the analysis failed (STANDIN_OUTCOME: FAIL)");
}

TEST_F(Standin, RunTimeKeywordKeepsTheJobRunningUntilAborted) {
  WriteText(temp / "slow.001", "3DFLOW_RESULT_NAME: slow\nSTANDIN_SECONDS: 60\n");
  manager.SubmitJob("slow", "ktl -input slow.001 -screenlog slow.501", "slow.fsu", 27, 0, nullptr,
                    nullptr);
  void* job = manager.FindJob("slow.fsu");
  ASSERT_NE(job, nullptr);
  JOBINFO* info = manager.GetJobInfo(job);
  EXPECT_TRUE(ktpm::jobtest::WaitUntil([&] { return info->status.load() == JOB_RUNNING; }));
  manager.AbortJob(job);
  ASSERT_EQ(manager.WaitForJob(job, 5000), 1);
  EXPECT_EQ(manager.GetJobInfo(job)->status.load(), JOB_ABORTED);
  EXPECT_FALSE(Exists("slow.fsu"));
}

TEST_F(Standin, ThreeDFlowResultIsReadByTheLibrary) {
  WriteText(temp / "big.090", "MOLD3D_RESULT_NAME: big\n");
  ASSERT_EQ(Run("mold3d -input big.090 -screenlog big.590"), JOB_SUCCEEDED);
  EXPECT_EQ(LastLine(temp / "big.m3s"), "Completed analysis");
  {
    KM3RReader reader;
    ASSERT_NE(reader.Open(temp / "big.m3r"), nullptr);
    EXPECT_EQ(reader.NodeCount(), 4);
    EXPECT_EQ(reader.ElementCount(), 2);
    EXPECT_GT(reader.FindRecord("REGION"), 0);
    std::vector<int32_t> region;
    ASSERT_NE(reader.ReadRegion(region), nullptr);
    EXPECT_EQ(region, (std::vector<int32_t>{0, 0, 0, 0, 1, 1}));
  }
  // The restart points come back through "mold3d -m3ravail" and "mold3d -m3rtokey".
  KFlow3DRestarts restarts("big.m3r");
  ASSERT_EQ(restarts.GetCount(), 4);
  EXPECT_DOUBLE_EQ(restarts.GetPoint(0).first, 0.8);
  EXPECT_EQ(restarts.GetType(1), 0);
  EXPECT_EQ(restarts.GetType(2), 1);
  restarts.GenerateKeywordFile(0, "again.090");
  KKeywordFile again;
  again.Load("again.090");
  EXPECT_EQ(again.GetValue("MOLD3D_RESTART_FILE_NAME"), "big.m3r");
  EXPECT_EQ(again.GetValue("MOLD3D_RESTART_TIME_INDEX"), "2");
  EXPECT_EQ(again.GetValue("MOLD3D_RESTART_TIME"), "0.8");
}

TEST_F(Standin, ConversionsWithBadInputWriteNothing) {
  WriteText(temp / "big.m3r", "not a result file");
  EXPECT_EQ(Run("ktl -restokey -input gone.fr1 -output a.001 -gui"), JOB_FAILED);
  EXPECT_EQ(Run("ktl -restokey -input part.txt -output b.001 -gui"), JOB_FAILED);
  EXPECT_EQ(Run("mold3d -m3ravail big.m3r -output c.099"), JOB_FAILED);
  EXPECT_EQ(Run("mold3d -m3rtokey big.m3r -itime x -output d.090"), JOB_FAILED);
  EXPECT_EQ(Run("ktl -mactokey -input \"gone.imm\" -output \"e.kw\" -gui"), JOB_FAILED);
  for (const char* name : {"a.001", "b.001", "c.099", "d.090", "e.kw"})
    EXPECT_FALSE(Exists(name)) << name;
}

TEST_F(Standin, MachineFileBecomesKeywords) {
  WriteText(temp / "press 1.imm",
            "# a machine\n[Machine]\nName = Press 1\nMax injection pressure = 180\n"
            "clamp-force: 1200\n");
  ASSERT_EQ(Run("ktl -mactokey -input \"press 1.imm\" -output \"press 1.kw\" -gui"), JOB_SUCCEEDED);
  EXPECT_EQ(ReadText(temp / "press 1.kw"),
            "MACHINE_FILE: press 1.imm\nMACHINE_NAME: Press 1\n"
            "MACHINE_MAX_INJECTION_PRESSURE: 180\nMACHINE_CLAMP_FORCE: 1200\n");
}

TEST_F(Standin, TranslatorWritesATypedModelWithSideFiles) {
  WriteText(temp / "part.igs", "IGES data\n");
  WriteText(temp / "part.081", "TRANS_INPUT_MODEL: part.igs\nTRANS_OUTPUT_MODEL: part\n");
  ASSERT_EQ(Run("kttigs -input \"part.081\" -log"), JOB_SUCCEEDED);
  KModelFile model(temp / "part.ktl");
  EXPECT_EQ(model.GetMeshModelType(), MMT_MIDPLANE);
  for (const char* name : {"part.nda", "part.ela", "part.ata", "part.ain", "part.isu"})
    EXPECT_TRUE(Exists(name)) << name;

  WriteText(temp / "shell.unv", "UNV data\n");
  WriteText(temp / "shell.081",
            "TRANS_INPUT_MODEL: shell.unv\nTRANS_OUTPUT_MODEL: shell.ktl\n"
            "STANDIN_MESH_TYPE: FUSION\n");
  ASSERT_EQ(Run("kttunv -input \"shell.081\" -log"), JOB_SUCCEEDED);
  KModelFile shell(temp / "shell.ktl");
  EXPECT_EQ(shell.GetMeshModelType(), MMT_FUSION);
  std::string source;
  ASSERT_EQ(shell.GetUnvSource(source), 1);
  EXPECT_EQ(source, "shell.unv");
  EXPECT_EQ(shell.IsMoldMesh(), 0);
}

TEST_F(Standin, TranslatorWithoutItsModelFails) {
  WriteText(temp / "lost.081", "TRANS_INPUT_MODEL: lost.igs\nTRANS_OUTPUT_MODEL: lost\n");
  EXPECT_EQ(Run("kttigs -input \"lost.081\" -log"), JOB_FAILED);
  EXPECT_EQ(ReadText(temp / "lost.ise"), "*** ERROR: cannot read the input model \"lost.igs\"\n");
  EXPECT_FALSE(Exists("lost.ktl"));
}

TEST_F(Standin, MesherWritesA3DMeshOrAModel) {
  WriteText(temp / "part.stl", "solid part\nendsolid part\n");
  WriteText(temp / "solid.092",
            "KTMESH3D_MESH_INPUT_FILENAME: part.stl\nKTMESH3D_MESH_OUTPUT_FILENAME: solid\n"
            "KTMESH3D_OUTPUT_FILETYPE: KELTRAVO_FLOW3D_INPUT\n");
  WriteText(temp / "surface.092",
            "KTMESH3D_MESH_INPUT_FILENAME: part.stl\nKTMESH3D_MESH_OUTPUT_FILENAME: surface\n");
  ASSERT_EQ(Run("ktmesh3d \"solid.092\""), JOB_SUCCEEDED);
  ASSERT_EQ(Run("ktmesh3d \"surface.092\""), JOB_SUCCEEDED);
  KM3RReader reader;
  ASSERT_NE(reader.Open(temp / "solid.m3i"), nullptr);
  EXPECT_EQ(reader.ElementCount(), 2);
  EXPECT_EQ(KModelFile(temp / "surface.ktl").GetMeshModelType(), MMT_MIDPLANE);
  EXPECT_TRUE(Exists("surface.nda"));
}

TEST_F(Standin, ReportGeneratorMakesAndRecordsTheReportDirectory) {
  {
    KReportTemplate reportTemplate;
    reportTemplate.SetProjectParentNode("part.fsu");
    reportTemplate.SetTemplateName("Fill report");
    reportTemplate.Save("part.rpt");
  }
  WriteText(temp / "part.rpi",
            "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Summary A\"\n"
            "REPORT_TEMPLATE : \"part.rpt\"\n");
  ASSERT_EQ(Run("ktrepgen part.rpi"), JOB_SUCCEEDED);
  KReportTemplate written("part.rpt");
  ASSERT_EQ(written.GetHtmlReportDirCount(), 1);
  EXPECT_EQ(written.GetHtmlReportDir(0), "part_rpt/Summary A");
  EXPECT_NE(ReadText(temp / "part_rpt/Summary A/index.html").find("<h1>Fill report</h1>"),
            std::string::npos);
  // Running again records the directory once.
  ASSERT_EQ(Run("ktrepgen part.rpi"), JOB_SUCCEEDED);
  EXPECT_EQ(KReportTemplate("part.rpt").GetHtmlReportDirCount(), 1);
}

TEST_F(Standin, ReportStyleThatLeavesItsDirectoryIsRefused) {
  WriteText(temp / "part.rpt", "PROJECT_PARENT_NODE : \"part.fsu\"\n");
  WriteText(temp / "evil.rpi",
            "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"../../escaped\"\n"
            "REPORT_TEMPLATE : \"part.rpt\"\n");
  EXPECT_EQ(Run("ktrepgen evil.rpi"), JOB_FAILED);
  EXPECT_TRUE(Exists("evil.rpe"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() + "/../escaped"));
}

TEST_F(Standin, FileNamesReachTheStandinAsPlainText) {
  WriteText(temp / "$(touch pwned); x.001", "3DFLOW_ANALYSIS_AIM: FILL\n");
  ASSERT_EQ(Run("ktl -input \"$(touch pwned); x.001\" -screenlog \"$(touch pwned); x.501\""),
            JOB_SUCCEEDED);
  EXPECT_TRUE(Exists("$(touch pwned); x.fsu"));
  EXPECT_TRUE(Exists("$(touch pwned); x.501"));
  EXPECT_FALSE(Exists("pwned"));
}

TEST_F(Standin, UnknownNameOrMissingInputIsAUsageError) {
  EXPECT_EQ(Run("ktl"), JOB_FAILED);
  EXPECT_EQ(Run("ktrepgen"), JOB_FAILED);
  EXPECT_EQ(Run(kToolsDir + "/../standin/ktpm-standin -input x"), JOB_FAILED);
}

}  // namespace
