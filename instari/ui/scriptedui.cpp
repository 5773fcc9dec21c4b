#include "instari/ui/scriptedui.h"

namespace instari {

std::vector<ScriptedUi::Shown> ScriptedUi::Messages() const {
  std::vector<Shown> r;
  for (const Shown& s : shown)
    if (s.kind == Shown::kMessage) r.push_back(s);
  return r;
}

std::vector<std::string> ScriptedUi::Statuses() const {
  std::vector<std::string> r;
  for (const Shown& s : shown)
    if (s.kind == Shown::kStatus) r.push_back(s.text);
  return r;
}

void ScriptedUi::RefreshStatus() {
  shown.push_back({Shown::kStatus, progress_.status, "", 0, progress_.overall});
}

void ScriptedUi::RefreshCopyProgress() {
  shown.push_back(
      {Shown::kCopy, std::to_string(progress_.remainingSeconds), "", 0, progress_.file});
}

void ScriptedUi::RefreshTitle() { shown.push_back({Shown::kTitle, progress_.title, "", 0, 0}); }

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  shown.push_back({Shown::kMessage, text, caption, style, 0});
  if (buttons.empty()) return DefaultButton(style);
  int b = buttons.front();
  buttons.pop_front();
  return b;
}

std::optional<std::string> ScriptedUi::NextText(const std::string& fallback) {
  if (texts.empty()) return fallback;
  std::optional<std::string> t = texts.front();
  texts.pop_front();
  return t;
}

std::optional<std::string> ScriptedUi::InputDialog(const std::string& prompt,
                                                   const std::string& initial) {
  shown.push_back({Shown::kInput, prompt, "", 0, 0});
  return NextText(initial);
}

std::optional<std::string> ScriptedUi::SelectDirectory(const std::string& caption,
                                                       const std::string& start) {
  shown.push_back({Shown::kSelect, start, caption, 0, 0});
  return NextText(start);
}

std::optional<std::string> ScriptedUi::SelectProgramGroup(const std::string& caption,
                                                          const std::string& start,
                                                          const std::vector<std::string>&) {
  shown.push_back({Shown::kSelect, start, caption, 0, 0});
  return NextText(start);
}

std::optional<std::string> ScriptedUi::SelectFile(const std::string& filter, bool mustExist) {
  shown.push_back({Shown::kSelect, "", filter, mustExist ? 1u : 0u, 0});
  return NextText("");
}

WizardResult ScriptedUi::WizardShow(const WizardPage& page) {
  shown.push_back({Shown::kWizard, page.text, page.title, 0, page.buttons});
  pages.push_back(page);
  if (wizardAnswers.empty()) {
    WizardResult r;
    r.editText = page.editText;
    return r;
  }
  WizardResult r = wizardAnswers.front();
  wizardAnswers.pop_front();
  return r;
}

void ScriptedUi::WizardCreate() { shown.push_back({Shown::kWizardCreate, "", "", 0, 0}); }

void ScriptedUi::WizardClose() { shown.push_back({Shown::kWizardClose, "", "", 0, 0}); }

void ScriptedUi::CreateBackground(const std::string& title) {
  shown.push_back({Shown::kBackground, title, "", 0, 0});
}

void ScriptedUi::Minimize(bool minimized) {
  shown.push_back({Shown::kMinimize, minimized ? "1" : "0", "", 0, 0});
}

}  // namespace instari
