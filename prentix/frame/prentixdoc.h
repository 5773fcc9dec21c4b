#pragma once
// The single document: the path of the picture file, its scroll size, the
// modified flag, the recently used files, and the commands Open, Save As
// and the capture's automatic save. The picture itself is the program's
// current image.

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "prentix/app/commandrouter.h"

namespace prentix {

inline constexpr int kRecentFiles = 4;
inline constexpr const char kRecentSection[] = "Recent File List";

class CPrentixDoc : public QObject, public CommandTarget {
  Q_OBJECT
 public:
  CPrentixDoc();

  // Empty document: no path, scroll size 1 x 1.
  void OnNewDocument();
  // Replaces the current picture with the file's; false (and the message
  // "Sorry, can not convert this graphic file" with the reason) when it
  // cannot be read. The previous picture is gone either way.
  bool OnOpenDocument(const std::string& path);
  // Writes the current picture by the name's format; false without one.
  bool OnSaveDocument(const std::string& path);

  const std::string& PathName() const { return path_; }
  // A capture replaced the picture: it is no longer that file's.
  void ForgetPath();
  // The picture put back as it was: its file and modified flag with it.
  void RestorePath(const std::string& path, bool wasModified);
  QSize m_sizeDoc{1, 1};
  // The picture size after a capture or a change: the image's, 0 x 0 without.
  void UpdatePictureSize();
  bool modified = false;

  // Newest first, at most four; kept in prentix.ini.
  const std::vector<std::string>& RecentFiles() const { return recent_; }

  bool Handles(int id) const override;
  bool IsEnabled(int id) const override;
  void OnCommand(int id) override;

  // The file dialog (open or save, title text, starting name): the chosen
  // path, "" when cancelled; and the message box. Tests answer both.
  std::function<std::string(bool open, const QString& title, const std::string& name)>
      promptFileName;
  std::function<void(const QString& text)> message;

 signals:
  void Changed();  // path or picture changed: title and views follow
  // A capture's save failed (the text says where and why); the capture
  // path keeps the picture elsewhere and tells the user.
  void SaveFailed(const QString& text);

 private:
  void SaveAsProcedure(bool automatic);
  void SetPathName(const std::string& path);
  void LoadRecent();
  void SaveRecent() const;

  std::string path_;
  std::vector<std::string> recent_;
  bool savingCapture_ = false;  // the capture path's save is running
};

}  // namespace prentix
