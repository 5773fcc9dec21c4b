#pragma once
// When a capture cannot be printed or saved: what the user is told, and
// where the picture is kept so that nothing is lost.

#include <string>
#include <vector>

#include "platform/cups/spooler.h"
#include "prentix/image/autoname.h"

namespace prentix {

class SECDib;

// Where the notices already given live in prentix.ini.
inline constexpr char kNoticeSection[] = "Notices";
inline constexpr char kPdfFolderEntry[] = "PdfFolder";

// "" when the queue takes a job now; else why not, in the user's language,
// with the scheduler's own words in brackets when it has any.
std::string QueueRefusal(const platform::cups::QueueStatus& queue);

// What to make of a job the scheduler accepted, as it is now: wait and look
// again, it is done (printed, or cancelled on purpose), or it failed.
enum class JobVerdict { kWatch, kDone, kFailed };
JobVerdict JudgeJob(int state, bool queueStopped);
// Why a job failed: the printer's words when it said any.
std::string JobFailure(const std::string& printerMessage);
// Why a job that was handed over never arrived.
std::string JobMissing(const std::string& schedulerError);

// The texts of the failures and of the kept picture, in the user's language.
std::string PrintFailureText(const std::string& printer, const std::string& reason);
std::string SaveFailureText(const std::string& folder, const std::string& reason);
// "" for an empty path when there was no picture to keep.
std::string KeptText(const std::string& keptPath, bool hadPicture);

// The folder automatic names go to: the pattern's own folder (DOS paths
// mapped), else the working folder.
std::string AutoSaveFolder(const std::string& pattern);

// Where a picture whose output failed is kept, in order: the automatic-save
// folder, <pictures>/Prentix when the pictures folder exists, the runtime
// folder. Empty entries are left out. Only our own folder in the pictures
// is made; a missing automatic-save folder stays the user's to make.
struct KeepFolder {
  std::string path;
  bool make = false;
  bool operator==(const KeepFolder&) const = default;
};
std::vector<KeepFolder> KeepFolders(const std::string& autoSaveFolder,
                                    const std::string& picturesFolder,
                                    const std::string& runtimeFolder);

// Saves the picture under its automatic name (the pattern's file part in
// each folder) in the first folder that takes it; its path, or "".
std::string KeepCapture(SECDib& image, const std::vector<KeepFolder>& folders,
                        const std::string& pattern, bool gif, const NameSources& sources);

// The PDF-file printer's folder: <documents>/Prentix when the documents
// folder exists (it is never made), else <home>/Prentix.
std::string PdfFolderFor(const std::string& documentsFolder, const std::string& home);

// The start-up notice when the settings folder cannot be written; "" when
// it can.
std::string SettingsNotice(const std::string& folder, bool writable, const std::string& reason);

}  // namespace prentix
