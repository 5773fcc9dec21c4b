#include "prentix/frame/prentixdoc.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/paths.h"
#include "platform/profile.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/app/outputrules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/frame/pictureqt.h"
#include "prentix/image/autoname.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"

namespace prentix {

using namespace cmd;

namespace {

QString Text(int key) { return QString::fromStdString(LoadSprachString(key)); }

// "Prentix (*.pxi);;Gif (*.gif);;..." from the document's filter list.
QString DialogFilters(bool gif) {
  QStringList filters;
  for (const auto& [description, pattern] : FileDialogFilters(gif)) {
    QString d = QString::fromStdString(description), p = QString::fromStdString(pattern);
    filters << (d.contains("(" + p + ")") ? d : d + " (" + p + ")");
  }
  return filters.join(";;");
}

std::string AskFileName(bool open, const QString& title, const std::string& name) {
  bool gif = LiveSettings().Gif == 1;
  QFileDialog dialog(QApplication::activeWindow(), title, QString::fromStdString(name),
                     DialogFilters(gif));
  dialog.setObjectName("filedialog");
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(gif ? "gif" : "pxi");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

CPrentixDoc::CPrentixDoc() {
  promptFileName = AskFileName;
  message = [](const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), QString::fromUtf8(GetSprachText(16001)),
                             text);
  };
  LoadRecent();
}

void CPrentixDoc::OnNewDocument() {
  path_.clear();
  m_sizeDoc = QSize(1, 1);
  modified = false;
  emit Changed();
}

bool CPrentixDoc::OnOpenDocument(const std::string& path) {
  std::string reason, warning;
  bool ok;
  {
    WaitCursor wait;
    ok = OpenImageDocument(path, &reason, &warning);
  }
  if (ok && !warning.empty()) TraceLog("OnOpenDocument() %s: %s\n", path.c_str(), warning.c_str());
  UpdatePictureSize();
  if (!ok) {
    TraceLog("OnOpenDocument() %s: %s\n", path.c_str(), reason.c_str());
    QString text = kCannotConvertText;
    if (!reason.empty()) text += "\n\n" + QString::fromStdString(path + ": " + reason);
    // the picture shown and its file stay
    message(text);
    return false;
  }
  SetPathName(path);
  modified = false;
  emit Changed();
  return true;
}

bool CPrentixDoc::OnSaveDocument(const std::string& path) {
  SECDib* image = CurrentImage();
  if (!image) return false;
  std::string reason;
  bool ok;
  {
    WaitCursor wait;
    // written whole under a temporary name: a failed save leaves an
    // existing file as it was
    ok = SaveImageDocument(*image, path, &reason);
  }
  if (!ok) {
    TraceLog("OnSaveDocument() %s: %s\n", path.c_str(), reason.c_str());
    // the folder the file was to go to, also for a bare name
    const std::string folder =
        QFileInfo(QString::fromStdString(platform::HostPath(path))).absolutePath().toStdString();
    const QString text = QString::fromStdString(SaveFailureText(folder, reason));
    if (savingCapture_) {
      emit SaveFailed(text);
    } else {
      message(text);
    }
    return false;
  }
  TraceLog("OnSaveDocument() saved %s\n", path.c_str());
  modified = false;
  return true;
}

void CPrentixDoc::ForgetPath() {
  if (path_.empty()) return;
  path_.clear();
  emit Changed();
}

void CPrentixDoc::RestorePath(const std::string& path, bool wasModified) {
  path_ = path;
  modified = wasModified;
  UpdatePictureSize();
  emit Changed();
}

void CPrentixDoc::UpdatePictureSize() {
  const SECDib* image = CurrentImage();
  m_sizeDoc = image ? QSize(static_cast<int>(image->m_dwWidth), static_cast<int>(image->m_dwHeight))
                    : QSize(0, 0);
}

bool CPrentixDoc::Handles(int id) const {
  return id == kOpen || id == kSaveAs || id == kSaveInternal ||
         (id >= kRecentFile && id < kRecentFile + kRecentFiles);
}

bool CPrentixDoc::IsEnabled(int id) const {
  if (id >= kRecentFile && id < kRecentFile + kRecentFiles) {
    return static_cast<size_t>(id - kRecentFile) < recent_.size();
  }
  return true;
}

void CPrentixDoc::OnCommand(int id) {
  if (id == kOpen) {
    std::string path = promptFileName(true, Text(61440), {});
    if (!path.empty()) OnOpenDocument(path);
  } else if (id == kSaveAs) {
    SaveAsProcedure(false);
  } else if (id == kSaveInternal) {
    savingCapture_ = true;
    SaveAsProcedure(true);
    savingCapture_ = false;
  } else {
    size_t i = static_cast<size_t>(id - kRecentFile);
    if (i < recent_.size()) OnOpenDocument(std::string(recent_[i]));
  }
}

void CPrentixDoc::SaveAsProcedure(bool automatic) {
  Settings& s = LiveSettings();
  std::string name;
  bool built = false;
  if (automatic && (s.UseSaveAsNameFormat == 1 || Flags().captureSaveRequest)) {
    if (s.SaveAsNameFormat.empty()) s.SaveAsNameFormat = "auto";
    name = BuildAutomaticName(s.SaveAsNameFormat, s.Gif == 1, SystemNameSources());
    built = true;
  }
  if (name.empty()) {
    name = path_;
    if (name.empty()) {
      // the title, cut where a file name could not go on, with the type's extension
      name = GetSprachText(16001);
      size_t cut = name.find_first_of(" #%;/\\");
      if (cut != std::string::npos) name.resize(cut);
      name += s.Gif == 1 ? ".gif" : ".pxi";
    }
    name = promptFileName(false, Text(61441), name);
    if (name.empty()) return;
  }
  if (!OnSaveDocument(name)) return;
  SetPathName(name);
  emit Changed();
  if (built) message(QString::fromUtf8(GetSprachText(16007)) + QString::fromStdString(name));
}

void CPrentixDoc::SetPathName(const std::string& path) {
  QFileInfo info(QString::fromStdString(path));
  path_ = info.absoluteFilePath().toStdString();
  auto same = std::find(recent_.begin(), recent_.end(), path_);
  if (same != recent_.end()) recent_.erase(same);
  recent_.insert(recent_.begin(), path_);
  if (recent_.size() > kRecentFiles) recent_.resize(kRecentFiles);
  SaveRecent();
}

void CPrentixDoc::LoadRecent() {
  recent_.clear();
  for (int i = 1; i <= kRecentFiles; ++i) {
    std::string path = platform::GetPrivateProfileString(kRecentSection, "File" + std::to_string(i),
                                                         "", ProfileName());
    if (!path.empty()) recent_.push_back(path);
  }
}

// Written at once, so a program that ends unexpectedly keeps its list.
void CPrentixDoc::SaveRecent() const {
  std::vector<platform::ProfileEntry> entries;
  for (int i = 0; i < kRecentFiles; ++i) {
    entries.push_back({kRecentSection, "File" + std::to_string(i + 1),
                       static_cast<size_t>(i) < recent_.size() ? recent_[i] : std::string()});
  }
  platform::WritePrivateProfileStrings(entries, ProfileName());
}

}  // namespace prentix
