#pragma once
// The screen and window keys bound through the desktop's GlobalShortcuts
// portal, where it has one: the desktop asks the user once and then tells
// us when a key was pressed, which no program on Wayland can see itself.

#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QDBusObjectPath;

namespace prentix {

class PortalClient;

class DesktopShortcuts : public QObject {
  Q_OBJECT
 public:
  explicit DesktopShortcuts(QObject* parent = nullptr);
  ~DesktopShortcuts() override;

  // Offers the two keys with these preferred triggers ("ALT+F12"); false
  // when the desktop has no such portal or the binding was refused.
  bool Bind(const std::string& screenTrigger, const std::string& windowTrigger);

 signals:
  void Activated(int command);  // 32782 or 32781

 private slots:
  void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                   const QVariantMap& options);

 private:
  std::unique_ptr<PortalClient> portal_;
  QString session_;
};

}  // namespace prentix
