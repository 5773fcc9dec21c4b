#include "prentix/app/outputrules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/paths.h"
#include "prentix/app/tracelog.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithDetail(int key, const std::string& detail) {
  std::string text = GetSprachText(key);
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

}  // namespace

std::string QueueRefusal(const platform::cups::QueueStatus& q) {
  if (!q.reachable) return WithDetail(16083, q.error);
  if (!q.exists) return q.error.empty() ? std::string(GetSprachText(16085)) : q.error;
  if (!q.accepting) return WithDetail(16081, q.message);
  // a stopped queue would hold the job until someone starts it again
  if (q.stopped) return WithDetail(16082, q.message);
  return {};
}

JobVerdict JudgeJob(int state, bool queueStopped) {
  using namespace platform::cups;
  switch (state) {
    case kCompleted:
    case kCanceled:  // by someone, on purpose
      return JobVerdict::kDone;
    case kStopped:
    case kAborted:
      return JobVerdict::kFailed;
    case kPending:
    case kHeld:
      return queueStopped ? JobVerdict::kFailed : JobVerdict::kWatch;
    default:
      return JobVerdict::kWatch;
  }
}

std::string JobFailure(const std::string& printerMessage) {
  return WithDetail(16084, printerMessage);
}

std::string JobMissing(const std::string& schedulerError) {
  return WithDetail(16085, schedulerError);
}

std::string PrintFailureText(const std::string& printer, const std::string& reason) {
  return FormatSprachText(16075, printer, reason);
}

std::string SaveFailureText(const std::string& folder, const std::string& reason) {
  return FormatSprachText(16076, folder, reason);
}

std::string KeptText(const std::string& keptPath, bool hadPicture) {
  if (!hadPicture) return {};
  return keptPath.empty() ? std::string(GetSprachText(16078)) : FormatSprachText(16077, keptPath);
}

std::string AutoSaveFolder(const std::string& pattern) {
  const size_t cut = pattern.find_last_of("/\\");
  if (cut != std::string::npos) {
    std::string folder = platform::HostPath(pattern.substr(0, cut + 1));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!folder.empty()) return folder;
  }
  char cwd[4096];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string();
}

std::vector<KeepFolder> KeepFolders(const std::string& autoSaveFolder,
                                    const std::string& picturesFolder,
                                    const std::string& runtimeFolder) {
  std::vector<KeepFolder> folders;
  auto add = [&](const std::string& path, bool make) {
    if (path.empty()) return;
    for (const KeepFolder& f : folders)
      if (f.path == path) return;
    folders.push_back({path, make});
  };
  add(autoSaveFolder, false);
  // the pictures folder itself is the user's to make
  if (IsFolder(picturesFolder)) add(picturesFolder + "/Prentix", true);
  add(runtimeFolder, false);
  return folders;
}

std::string KeepCapture(SECDib& image, const std::vector<KeepFolder>& folders,
                        const std::string& pattern, bool gif, const NameSources& sources) {
  const size_t cut = pattern.find_last_of("/\\");
  std::string part = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  if (part.empty()) part = "auto";
  for (const KeepFolder& folder : folders) {
    std::string why;
    if (folder.make) mkdir(folder.path.c_str(), 0777);
    if (!platform::FolderWritable(folder.path, &why)) {
      TraceLog("KeepCapture() %s: %s\n", folder.path.c_str(), why.c_str());
      continue;
    }
    const std::string path = BuildAutomaticName(folder.path + "/" + part, gif, sources);
    if (SaveImageDocument(image, path, &why)) return path;
    TraceLog("KeepCapture() %s: %s\n", path.c_str(), why.c_str());
  }
  return {};
}

std::string PdfFolderFor(const std::string& documentsFolder, const std::string& home) {
  return (IsFolder(documentsFolder) ? documentsFolder : home) + "/Prentix";
}

std::string SettingsNotice(const std::string& folder, bool writable, const std::string& reason) {
  return writable ? std::string() : FormatSprachText(16080, folder, reason);
}

}  // namespace prentix
