#include "prentix/frame/opener.h"

#include <QProcess>

#include "prentix/app/tracelog.h"
#include "prentix/lang/sprache.h"

namespace prentix {

void OpenWithDesktop(QObject* owner, const std::string& target,
                     std::function<void(const QString& text)> tell) {
  auto* process = new QProcess(owner);
  auto failed = [process, target, tell](const char* why) {
    TraceLog("OpenWithDesktop() %s: %s\n", target.c_str(), why);
    process->deleteLater();
    if (tell) tell(QString::fromStdString(FormatSprachText(16086, target)));
  };
  // reaped when it ends: no zombie stays behind
  QObject::connect(process, &QProcess::finished, owner,
                   [process, failed](int code, QProcess::ExitStatus status) {
                     if (status == QProcess::NormalExit && code == 0) {
                       process->deleteLater();
                     } else {
                       failed("no program opened it");
                     }
                   });
  QObject::connect(process, &QProcess::errorOccurred, owner, [failed](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) failed("xdg-open cannot be started");
  });
  process->setProgram("xdg-open");
  process->setArguments({QString::fromStdString(target)});
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start();
}

}  // namespace prentix
