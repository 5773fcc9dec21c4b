#pragma once
// The about box: version, the two print keys, and how to reach the makers.

#include <QDialog>

namespace prentix {

inline constexpr const char kMakerMail[] = "prentix@tervola.example";
inline constexpr const char kMakerWeb[] = "https://tervola.example/prentix";

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

// "Version: 9.0 (64 Bit)" with the width of this build's pointers.
QString VersionLine();

}  // namespace prentix
