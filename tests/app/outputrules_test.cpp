#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/apptest.h"
#include "prentix/app/outputrules.h"
#include "prentix/image/secdib.h"

namespace {

using apptest::AppTest;
using namespace prentix;
using platform::cups::QueueStatus;

TEST_F(AppTest, QueueRefusalsAndJobVerdictsSayWhatTheSchedulerSaid) {
  prentix::Sprache = kEnglish;
  struct Case {
    QueueStatus queue;
    const char* refusal;
  } cases[] = {
      {{true, true, true, false, "", ""}, ""},
      {{true, true, false, false, "Rejecting Jobs", ""},
       "the queue does not accept jobs (Rejecting Jobs)"},
      {{true, true, true, true, "Paused", ""}, "the queue is stopped (Paused)"},
      {{true, true, false, true, "", ""}, "the queue does not accept jobs"},
      {{false, false, false, false, "", "No such file or directory"},
       "the printing system cannot be reached (No such file or directory)"},
      {{true, false, false, false, "", "The printer or class does not exist."},
       "The printer or class does not exist."},
  };
  for (const Case& c : cases) EXPECT_EQ(QueueRefusal(c.queue), c.refusal);

  using namespace platform::cups;
  struct Job {
    int state;
    bool queueStopped;
    JobVerdict verdict;
  } jobs[] = {
      {kPending, false, JobVerdict::kWatch},  {kPending, true, JobVerdict::kFailed},
      {kHeld, true, JobVerdict::kFailed},     {kProcessing, true, JobVerdict::kWatch},
      {kStopped, false, JobVerdict::kFailed}, {kAborted, false, JobVerdict::kFailed},
      {kCanceled, false, JobVerdict::kDone},  {kCompleted, false, JobVerdict::kDone},
  };
  for (const Job& j : jobs) EXPECT_EQ(JudgeJob(j.state, j.queueStopped), j.verdict) << j.state;
  EXPECT_EQ(PrintFailureText("PXA", JobFailure("Unable to open file")),
            "Printing on PXA failed: the printer did not print the job (Unable to open file)");
  prentix::Sprache = kGerman;
  EXPECT_EQ(SaveFailureText("/nix", "Permission denied"),
            "Das Bild konnte nicht in /nix gesichert werden: Permission denied");
  EXPECT_EQ(KeptText("", false), "");
}

TEST_F(AppTest, ACaptureIsKeptInTheFirstFolderThatTakesIt) {
  const std::string root = pxtest::TestRoot();
  ASSERT_TRUE(pxtest::WriteFile(root + "/plain", "a file, no folder"));
  // the pictures folder is used only when it exists; it is never made
  EXPECT_EQ(KeepFolders(root + "/plain/x", root + "/Pictures", root + "/run"),
            (std::vector<KeepFolder>{{root + "/plain/x"}, {root + "/run"}}));
  std::filesystem::create_directories(root + "/Pictures");
  auto folders = KeepFolders(root + "/gone", root + "/Pictures", "");
  EXPECT_EQ(folders,
            (std::vector<KeepFolder>{{root + "/gone"}, {root + "/Pictures/Prentix", true}}));

  DeviceBitmap bm;
  bm.width = 3, bm.height = 2, bm.bitsPerPixel = 24, bm.stride = 12;
  bm.bits = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
  SECDib image;
  ASSERT_TRUE(image.CreateFromBitmap(bm));
  const std::string kept =
      KeepCapture(image, folders, "C:\\shots\\shot", false, SystemNameSources());
  EXPECT_EQ(kept, root + "/Pictures/Prentix/shot001.pxi");
  SECDib back;
  ASSERT_TRUE(back.LoadImage(kept.c_str()));
  ASSERT_EQ(back.m_dwWidth, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Row(0)), 9),
            std::string(reinterpret_cast<const char*>(image.Row(0)), 9));
  // a missing automatic-save folder is not made behind the user's back
  EXPECT_FALSE(std::filesystem::exists(root + "/gone"));
  EXPECT_EQ(KeepCapture(image, {{root + "/plain/y", true}}, "", false, SystemNameSources()), "");

  // the PDF-file printer never makes the documents folder
  EXPECT_EQ(PdfFolderFor(root + "/Documents", root), root + "/Prentix");
  EXPECT_EQ(PdfFolderFor(root + "/Pictures", root), root + "/Pictures/Prentix");
}

}  // namespace
