#include "prentix/frame/prentixdoc.h"

#include <QMessageBox>

#include "prentix/app/tracelog.h"
#include "prentix/image/document.h"

namespace prentix {

void CPrentixDoc::OnNewDocument() {
  path_.clear();
  m_sizeDoc = QSize(1, 1);
  modified = false;
  emit Changed();
}

bool CPrentixDoc::OnOpenDocument(const std::string& path) {
  std::string reason;
  bool ok = OpenImageDocument(path, &reason);
  if (!ok) {
    TraceLog("OnOpenDocument() %s: %s\n", path.c_str(), reason.c_str());
    std::string text = kCannotConvertText;
    if (!reason.empty()) text += "\n\n" + path + ": " + reason;
    QMessageBox::warning(nullptr, QString(), QString::fromStdString(text));
    path_.clear();
  } else {
    path_ = path;
  }
  modified = false;
  UpdatePictureSize();
  emit Changed();
  return ok;
}

void CPrentixDoc::UpdatePictureSize() {
  const SECDib* image = CurrentImage();
  m_sizeDoc = image ? QSize(static_cast<int>(image->m_dwWidth), static_cast<int>(image->m_dwHeight))
                    : QSize(0, 0);
}

// Open, Save As and the automatic save arrive with the document dialogs;
// until then the document takes no command, so their items stay greyed.
bool CPrentixDoc::Handles(int) const { return false; }
void CPrentixDoc::OnCommand(int) {}

}  // namespace prentix
