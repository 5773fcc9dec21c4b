#pragma once
// The single document: the path of the picture file, its scroll size and
// the modified flag. The picture itself is the program's current image.

#include <QObject>
#include <QSize>
#include <QString>
#include <string>

#include "prentix/app/commandrouter.h"

namespace prentix {

class CPrentixDoc : public QObject, public CommandTarget {
  Q_OBJECT
 public:
  using QObject::QObject;

  // Empty document: no path, scroll size 1 x 1.
  void OnNewDocument();
  // Replaces the current picture with the file's; false (and the message
  // "Sorry, can not convert this graphic file") when it cannot be read.
  bool OnOpenDocument(const std::string& path);

  const std::string& PathName() const { return path_; }
  QSize m_sizeDoc{1, 1};
  // The picture size after a capture or a change: the image's, 0 x 0 without.
  void UpdatePictureSize();
  bool modified = false;

  bool Handles(int id) const override;
  void OnCommand(int id) override;

 signals:
  void Changed();  // path or picture changed: title and views follow

 private:
  std::string path_;
};

}  // namespace prentix
