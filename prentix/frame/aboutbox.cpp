#include "prentix/frame/aboutbox.h"

#include <QMessageBox>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "prentix/app/settings.h"
#include "prentix/frame/icons.h"
#include "prentix/frame/opener.h"
#include "prentix/lang/sprache.h"

namespace prentix {

namespace {

QString Text(int key) { return QString::fromUtf8(GetSprachText(key)); }

QString KeyLine(int textKey, HotKey key) {
  return Text(textKey).replace("%s",
                               QString::fromStdString(HotKeyDisplayName(key, ReadHotKey(key))));
}

}  // namespace

QString VersionLine() {
  return QString("Version: 9.0 (%1 Bit)").arg(static_cast<int>(sizeof(void*) * 8));
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("about");
  setWindowTitle(Text(16011));
  auto* icons = new QVBoxLayout;
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  auto* picture = new QLabel;
  picture->setPixmap(AboutPicture());
  icons->addWidget(icon);
  icons->addWidget(picture);
  icons->addStretch();

  auto* texts = new QVBoxLayout;
  auto* title = new QLabel(QString("<b>%1</b>").arg(Text(16001).toHtmlEscaped()));
  texts->addWidget(title);
  texts->addWidget(new QLabel(VersionLine()));
  texts->addSpacing(8);
  texts->addWidget(new QLabel(KeyLine(16008, HotKey::kScreen)));
  texts->addWidget(new QLabel(KeyLine(16009, HotKey::kWindow)));
  texts->addSpacing(8);
  for (int key : {16013, 16014, 16015, 16016, 16019}) texts->addWidget(new QLabel(Text(key)));

  // the two flat buttons hand the addresses to the desktop
  auto* links = new QHBoxLayout;
  auto* mail = new QPushButton(Text(16017));
  auto* web = new QPushButton(Text(16018));
  for (QPushButton* b : {mail, web}) {
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    links->addWidget(b);
  }
  links->addStretch();
  texts->addLayout(links);
  auto tell = [this](const QString& text) {
    QMessageBox::information(this, QString::fromUtf8(GetSprachText(16001)), text);
  };
  connect(mail, &QPushButton::clicked, this,
          [this, tell] { OpenWithDesktop(this, std::string("mailto:") + kMakerMail, tell); });
  connect(web, &QPushButton::clicked, this,
          [this, tell] { OpenWithDesktop(this, kMakerWeb, tell); });

  auto* top = new QHBoxLayout;
  top->addLayout(icons);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto* ok = new QDialogButtonBox;
  ok->addButton(Text(16026), QDialogButtonBox::AcceptRole);
  connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ok);
}

}  // namespace prentix
