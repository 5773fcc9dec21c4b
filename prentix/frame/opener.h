#pragma once
// Help pages, links and the log handed to the desktop's program for them
// (xdg-open), waited for in the background: when none opens it, the user
// hears so instead of nothing happening.

#include <QString>
#include <functional>
#include <string>

class QObject;

namespace prentix {

// tell gets the message when no program opened the target.
void OpenWithDesktop(QObject* owner, const std::string& target,
                     std::function<void(const QString& text)> tell);

}  // namespace prentix
