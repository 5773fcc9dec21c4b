#include "instari/ui/qt/qtui.h"

#include <QApplication>
#include <QFileDialog>
#include <QThread>

#include "instari/ui/qt/dialogs.h"
#include "instari/ui/qt/installerwindow.h"

namespace instari {

QtUi::QtUi(int language, NumberLocale locale)
    : language_(language), locale_(locale), window_(new InstallerWindow(language, locale)) {
  window_->onCancel = [this] { RequestCancel(); };
}

QtUi::~QtUi() {
  background_.reset();
  wizard_.reset();
  delete window_;
}

template <typename F>
auto QtUi::OnGui(F f) -> decltype(f()) {
  if (QThread::currentThread() == window_->thread()) return f();
  using R = decltype(f());
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(window_, f, Qt::BlockingQueuedConnection);
  } else {
    R result{};
    QMetaObject::invokeMethod(
        window_, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

// The script may change the state thousands of times a second; the window
// shows the latest state whenever its thread comes round to it.
void QtUi::Post(int parts) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_ = progress_;
    dirty_ |= parts;
  }
  if (QThread::currentThread() == window_->thread()) {
    Flush();
  } else if (!posted_.exchange(true)) {
    QMetaObject::invokeMethod(
        window_, [this] { Flush(); }, Qt::QueuedConnection);
  }
}

void QtUi::Flush() {
  posted_ = false;
  ProgressState s;
  int parts;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    s = shown_;
    parts = std::exchange(dirty_, 0);
  }
  if (parts & kStatus) window_->ShowStatus(s);
  if (parts & kCopy) window_->ShowCopyProgress(s);
  if (parts & kTitle) window_->ShowTitle(s);
}

void QtUi::RefreshStatus() { Post(kStatus); }
void QtUi::RefreshCopyProgress() { Post(kCopy); }
void QtUi::RefreshTitle() { Post(kTitle); }

int QtUi::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  return OnGui([&] { return ShowMessageBox(window_, text, caption, style, language_); });
}

std::optional<std::string> QtUi::InputDialog(const std::string& prompt,
                                             const std::string& initial) {
  return OnGui([&]() -> std::optional<std::string> {
    instari::InputDialog d(prompt, initial, language_, window_);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.Answer();
  });
}

std::optional<std::string> QtUi::Select(const std::string& caption, const std::string& start,
                                        const std::vector<std::string>* groups) {
  return OnGui([&] {
    SelectionDialog d(caption, start, groups, language_, window_);
    d.exec();
    return d.Result();
  });
}

std::optional<std::string> QtUi::SelectDirectory(const std::string& caption,
                                                 const std::string& start) {
  return Select(caption, start, nullptr);
}

std::optional<std::string> QtUi::SelectProgramGroup(const std::string& caption,
                                                    const std::string& start,
                                                    const std::vector<std::string>& groups) {
  return Select(caption, start, &groups);
}

std::optional<std::string> QtUi::SelectFile(const std::string& filter, bool mustExist) {
  return OnGui([&]() -> std::optional<std::string> {
    QString name = mustExist ? QFileDialog::getOpenFileName(window_, QString(), QString(),
                                                            QString::fromStdString(filter))
                             : QFileDialog::getSaveFileName(window_, QString(), QString(),
                                                            QString::fromStdString(filter));
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
  });
}

void QtUi::WizardCreate() {
  OnGui([&] {
    if (!wizard_) wizard_ = std::make_unique<WizardSheet>(language_, window_);
  });
}

WizardResult QtUi::WizardShow(const WizardPage& page) {
  return OnGui([&] {
    if (!wizard_) wizard_ = std::make_unique<WizardSheet>(language_, window_);
    return wizard_->Run(page);
  });
}

void QtUi::WizardClose() {
  OnGui([&] { wizard_.reset(); });
}

void QtUi::CreateBackground(const std::string& title) {
  OnGui([&] {
    background_ = std::make_unique<BackgroundWindow>(title);
    background_->show();
    window_->raise();
  });
}

void QtUi::CloseBackground() {
  OnGui([&] { background_.reset(); });
}

void QtUi::Minimize(bool minimized) {
  OnGui([&] {
    if (!window_->isVisible()) return;
    if (minimized) {
      window_->showMinimized();
    } else {
      window_->showNormal();
    }
  });
}

}  // namespace instari
