#pragma once
// The screen and window keys bound through the desktop, which tells us when
// a key was pressed (no program on Wayland can see that itself): KDE's
// global-shortcut service over D-Bus, or the GlobalShortcuts portal where
// the desktop has one (it may ask the user once).

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

  bool HasKdeService();
  bool HasPortal();

  // Registers the two keys with these triggers ("ALT+F12") with KDE's
  // service; how many it took (a key another program holds is not given).
  int BindKde(const std::string& screenTrigger, const std::string& windowTrigger);
  // Offers the two keys with these preferred triggers to the portal; false
  // when the binding was refused or the answer lists no key bound.
  bool BindPortal(const std::string& screenTrigger, const std::string& windowTrigger);

 signals:
  void Activated(int command);  // 32782 or 32781

 private slots:
  void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                   const QVariantMap& options);
  void OnKdePressed(const QString& component, const QString& action, qlonglong timestamp);

 private:
  std::unique_ptr<PortalClient> portal_;
  QString session_;
};

}  // namespace prentix
