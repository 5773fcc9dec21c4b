#include "instari/ui/consoleui.h"

#include <unistd.h>

#include <cstring>

namespace instari {

namespace {

std::string OneLine(const std::string& s) {
  std::string r = StatusForDisplay(s);
  for (char& c : r)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  return r;
}

}  // namespace

ConsoleUi::ConsoleUi(FILE* out, FILE* in)
    : out_(out),
      in_(in),
      liveLine_(out && isatty(fileno(out))),
      interactive_(in && out && isatty(fileno(in)) && isatty(fileno(out))) {}

ConsoleUi::~ConsoleUi() { EndLiveLine(); }

void ConsoleUi::EndLiveLine() {
  if (!heldStatus_.empty()) {
    fputs(heldStatus_.c_str(), out_);
    heldStatus_.clear();
    fflush(out_);
  }
  if (lineOpen_) {
    fputc('\n', out_);
    lineOpen_ = false;
  }
}

void ConsoleUi::RefreshStatus() {
  std::string status = OneLine(progress_.status);
  if (liveLine_) {
    // a terminal cannot show more than a few dozen redraws a second anyway
    auto now = std::chrono::steady_clock::now();
    if (lineOpen_ && now - lastDraw_ < std::chrono::milliseconds(40)) return;
    lastDraw_ = now;
    if (status.size() > 70) status = status.substr(0, 67) + "...";
    fprintf(out_, "\r\033[K%3d%%  %s", progress_.overall, status.c_str());
    lineOpen_ = true;
    fflush(out_);
    return;
  }
  // A file or pipe gets at most ten status lines a second (a copy of
  // thousands of small files would otherwise write a line for each); the
  // latest one held back is written before anything else is.
  char percent[16];
  snprintf(percent, sizeof percent, "%3d%%  ", progress_.overall);
  std::string line = percent + status + "\n";
  auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(100)) {
    heldStatus_ = std::move(line);
    return;
  }
  lastDraw_ = now;
  heldStatus_.clear();
  fputs(line.c_str(), out_);
  fflush(out_);
}

void ConsoleUi::RefreshCopyProgress() {
  CopyProgressTexts t = MakeCopyProgressTexts(progress_, language_, locale_);
  if (t.remaining.empty() && t.bytes.empty()) return;
  std::string line;
  if (!t.percent.empty()) line += t.percent + "  ";
  if (!t.remaining.empty()) line += t.remaining + "  ";
  line += t.bytes;
  if (liveLine_) {
    fprintf(out_, "\r\033[K      %s", line.c_str());
    lineOpen_ = true;
  } else {
    EndLiveLine();  // its status first
    fprintf(out_, "      %s\n", line.c_str());
  }
  fflush(out_);
}

void ConsoleUi::RefreshTitle() {
  EndLiveLine();
  fprintf(out_, "== %s ==\n", progress_.title.c_str());
  fflush(out_);
}

// Answers come from the terminal, or one a line from a pipe or file, so an
// unattended installation can be given its answers; at the end of the input
// the defaults are taken.
std::optional<std::string> ConsoleUi::ReadAnswer() {
  if (!in_) return std::nullopt;
  char buffer[1024];
  if (!fgets(buffer, sizeof buffer, in_)) {
    inputEnded_ = true;
    return std::nullopt;
  }
  buffer[strcspn(buffer, "\r\n")] = 0;
  // what was answered stands in the output as a person's typing would
  if (!interactive_) fprintf(out_, "%s\n", buffer);
  return std::string(buffer);
}

int ConsoleUi::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  EndLiveLine();
  std::vector<int> buttons = ButtonsOfStyle(style);
  int fallback = DefaultButton(style);
  fprintf(out_, "--- %s ---\n%s\n", caption.c_str(), text.c_str());
  for (;;) {
    std::string choices;
    for (size_t i = 0; i < buttons.size(); ++i) {
      char item[64];
      snprintf(item, sizeof item, "%s[%zu] %s%s", i ? "  " : "", i + 1,
               ButtonLabel(buttons[i], language_), buttons[i] == fallback ? "*" : "");
      choices += item;
    }
    fprintf(out_, "%s\n", choices.c_str());
    fflush(out_);
    std::optional<std::string> answer = ReadAnswer();
    if (!answer) {
      fprintf(out_, "-> %s\n", ButtonLabel(fallback, language_));
      fflush(out_);
      return fallback;
    }
    if (answer->empty()) return fallback;
    int n = atoi(answer->c_str());
    if (n >= 1 && static_cast<size_t>(n) <= buttons.size()) return buttons[n - 1];
    for (int b : buttons)
      // the name as shown, or in English
      if (strcasecmp(answer->c_str(), ButtonLabel(b, language_)) == 0 ||
          strcasecmp(answer->c_str(), ButtonLabel(b, 9)) == 0)
        return b;
    fprintf(out_, "Please answer with a number from 1 to %zu or a button's name.\n",
            buttons.size());
  }
}

std::optional<std::string> ConsoleUi::InputDialog(const std::string& prompt,
                                                  const std::string& initial) {
  EndLiveLine();
  fprintf(out_, "%s [%s]: ", prompt.c_str(), initial.c_str());
  fflush(out_);
  std::optional<std::string> answer = ReadAnswer();
  if (!answer) {
    // Ctrl-D at the terminal cancels; the end of piped answers keeps the default
    fprintf(out_, "%s\n", interactive_ ? "" : initial.c_str());
    if (interactive_) return std::nullopt;
    return initial;
  }
  return answer->empty() ? initial : answer->substr(0, 255);
}

std::optional<std::string> ConsoleUi::AskSelection(const std::string& caption,
                                                   const std::string& start) {
  EndLiveLine();
  fprintf(out_, "%s [%s]: ", caption.c_str(), start.c_str());
  fflush(out_);
  std::optional<std::string> answer = ReadAnswer();
  std::string chosen = answer && !answer->empty() ? *answer : start;
  if (!answer) fprintf(out_, "%s\n", chosen.c_str());
  // an empty selection or one that begins with a blank counts as cancel
  if (chosen.empty() || chosen[0] == ' ') return std::nullopt;
  return chosen;
}

std::optional<std::string> ConsoleUi::SelectDirectory(const std::string& caption,
                                                      const std::string& start) {
  return AskSelection(caption, start);
}

std::optional<std::string> ConsoleUi::SelectProgramGroup(const std::string& caption,
                                                         const std::string& start,
                                                         const std::vector<std::string>& groups) {
  EndLiveLine();
  for (const std::string& g : groups) fprintf(out_, "  %s\n", g.c_str());
  return AskSelection(caption, start);
}

std::optional<std::string> ConsoleUi::SelectFile(const std::string& filter, bool) {
  return AskSelection(filter, "");
}

WizardResult ConsoleUi::WizardShow(const WizardPage& page) {
  EndLiveLine();
  WizardResult r;
  r.editText = page.editText;
  for (int i = 0; i < 4; ++i) {
    r.checked[i] = page.checks[i].visible && page.checks[i].checked;
    if (page.radios[i].visible && page.radios[i].checked) r.radio = i + 1;
  }
  if (!page.title.empty()) fprintf(out_, "=== %s ===\n", page.title.c_str());
  fprintf(out_, "%s\n", page.text.c_str());
  std::vector<std::pair<int, const char*>> buttons;
  if (page.buttons & wizard::kBack) buttons.push_back({wizard::kBack, "Back"});
  if (page.buttons & wizard::kNext) buttons.push_back({wizard::kNext, "Next"});
  if (page.buttons & wizard::kFinish) buttons.push_back({wizard::kFinish, "Finish"});
  buttons.push_back({wizard::kCancelled, "Cancel"});
  // Enter presses Finish, else Next, else Back
  int fallback = buttons.size() > 1 ? buttons[buttons.size() - 2].first : wizard::kCancelled;
  if (page.input && page.showEdit) {
    if (std::optional<std::string> text = InputDialog("", page.editText)) r.editText = *text;
  }
  bool anyCheck = false, anyRadio = false;
  for (int i = 0; i < 4; ++i) {
    if (page.checks[i].visible) {
      fprintf(out_, "  %d [%c] %s\n", i + 1, r.checked[i] ? 'x' : ' ',
              page.checks[i].label.c_str());
      anyCheck = true;
    }
  }
  for (int i = 0; i < 4; ++i) {
    if (page.radios[i].visible) {
      fprintf(out_, "  %d (%c) %s\n", i + 1, r.radio == i + 1 ? '*' : ' ',
              page.radios[i].label.c_str());
      anyRadio = true;
    }
  }
  if (anyCheck) {
    // the numbers of the boxes to toggle, e.g. "1 3"
    fprintf(out_, "Toggle: ");
    fflush(out_);
    std::optional<std::string> answer = ReadAnswer();
    if (!answer) fprintf(out_, "\n");
    for (char c : answer.value_or(""))
      if (c >= '1' && c <= '4' && page.checks[c - '1'].visible)
        r.checked[c - '1'] = !r.checked[c - '1'];
  }
  if (anyRadio) {
    fprintf(out_, "Choice [%d]: ", r.radio);
    fflush(out_);
    std::optional<std::string> answer = ReadAnswer();
    if (!answer) fprintf(out_, "%d\n", r.radio);
    int n = answer ? atoi(answer->c_str()) : 0;
    if (n >= 1 && n <= 4 && page.radios[n - 1].visible) r.radio = n;
  }
  std::string choices;
  for (size_t i = 0; i < buttons.size(); ++i)
    choices += std::string(i ? "  " : "") + "[" + std::to_string(i + 1) + "] " + buttons[i].second +
               (buttons[i].first == fallback ? "*" : "");  // Enter, as in message boxes
  fprintf(out_, "%s\n", choices.c_str());
  fflush(out_);
  std::optional<std::string> answer = ReadAnswer();
  r.button = fallback;
  if (answer && !answer->empty()) {
    int n = atoi(answer->c_str());
    if (n >= 1 && static_cast<size_t>(n) <= buttons.size()) r.button = buttons[n - 1].first;
  }
  if (!answer)
    fprintf(out_, "-> %s\n", buttons.size() > 1 ? buttons[buttons.size() - 2].second : "Cancel");
  fflush(out_);
  return r;
}

}  // namespace instari
