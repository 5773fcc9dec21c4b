// Message boxes, the window title and statement display, the background
// window, the input and selection dialogs and the wizard pages.

#include <unistd.h>

#include <cstring>

#include "instari/script/syscommands.h"
#include "instari/ui/selection.h"

namespace instari::script::sys {

namespace {

// Keeps the installer window minimized while a dialog is up.
class Minimized {
 public:
  explicit Minimized(InstallerUi& ui) : ui_(ui) { ui_.Minimize(true); }
  ~Minimized() { ui_.Minimize(false); }
  Minimized(const Minimized&) = delete;
  Minimized& operator=(const Minimized&) = delete;

 private:
  InstallerUi& ui_;
};

Outcome MessageBoxCommand(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2) && !StatementShape(t, 3)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 1);
  if (!v) return Outcome::kDone;
  bool styled = v->size() > 1;
  unsigned style = styled ? static_cast<unsigned>(LeadingInteger((*v)[1])) : mb::kOk;
  int button;
  {
    Minimized aside(in.Ui());
    button = in.Ui().MessageBox((*v)[0], in.Ui().ApplicationTitle(), style);
  }
  if (!styled) return Flags(in, true);
  in.SetField("__error__", std::to_string(button));
  return Outcome::kDone;
}

Outcome DialogOut(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  in.Ui().Progress().title = *x;
  in.Ui().RefreshTitle();
  return Flags(in, true);
}

Outcome DialogLogging(Interpreter& in, TokenBuffer& t, bool on) {
  if (!StatementShape(t, 1) && !(!on && StatementShape(t, 2))) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  if (t.count == 2) {
    auto x = in.OperandValue(t, 1);
    if (!x) return Outcome::kDone;
    in.Ui().Progress().status = *x;
    in.Ui().RefreshStatus();
    in.Ui().DispatchPending();
  }
  in.SetDialogLogging(on);
  return Flags(in, true);
}
Outcome DialogLoggingOn(Interpreter& in, TokenBuffer& t) { return DialogLogging(in, t, true); }
Outcome DialogLoggingOff(Interpreter& in, TokenBuffer& t) { return DialogLogging(in, t, false); }

Outcome CreateBackground(Interpreter& in, TokenBuffer& t) {
  if (!StatementShape(t, 2)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto x = in.OperandValue(t, 1);
  if (!x) return Outcome::kDone;
  if (in.FirstBackground()) in.Ui().CreateBackground(*x);
  return Flags(in, true);
}

// F = dialog prompt G
Outcome DialogCommand(Interpreter& in, TokenBuffer& t) {
  if (t.count != 5 || !Id(t, 0) || !Op(t, 3) || !Id(t, 4)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto prompt = in.OperandValue(t, 3);
  if (!prompt) return Outcome::kDone;
  const std::string* g = in.GetField(t.texts[4]);
  std::string initial = g ? *g : std::string();
  std::optional<std::string> answer;
  {
    Minimized aside(in.Ui());
    answer = in.Ui().InputDialog(*prompt, initial);
  }
  if (answer) {
    in.SetField(t.texts[0], "OK");
    in.SetField(t.texts[4], answer->substr(0, 255));
    return Flags(in, true);
  }
  in.SetField(t.texts[0], "CANCEL");
  in.SetField(t.texts[4], " ");
  return Flags(in, false);
}

Outcome Select(Interpreter& in, TokenBuffer& t, bool groups) {
  if (!FunctionShape(t, 3) && !FunctionShape(t, 4) && !FunctionShape(t, 5))
    return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 3);
  if (!v) return Outcome::kDone;
  std::string start = v->size() > 0 ? (*v)[0] : "";
  std::string caption = v->size() > 1 ? (*v)[1]
                        : groups      ? "Auswahl Programm-Gruppe"
                                      : "Auswahl Verzeichnis";
  std::optional<std::string> chosen;
  {
    Minimized aside(in.Ui());
    if (groups) {
      const char* list = ProgramGroupList();
      chosen = in.Ui().SelectProgramGroup(caption, start, SplitGroupList(list ? list : ""));
    } else {
      chosen = in.Ui().SelectDirectory(caption, start);
    }
  }
  in.SetField(t.texts[0], chosen ? *chosen : "");
  return Flags(in, chosen.has_value());
}
Outcome SelectDir(Interpreter& in, TokenBuffer& t) { return Select(in, t, false); }
Outcome SelectProgramGroup(Interpreter& in, TokenBuffer& t) { return Select(in, t, true); }

Outcome SelectFile(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 3);
  if (!v) return Outcome::kDone;
  bool mayBeNew = !(*v)[1].empty() && ((*v)[1][0] == 'F' || (*v)[1][0] == 'f');
  std::optional<std::string> chosen = in.Ui().SelectFile((*v)[0], !mayBeNew);
  if (!chosen || chosen->empty()) {
    in.SetField(t.texts[0], " ");
    return Flags(in, false);
  }
  std::string path = *chosen;
  // the full path, as the file dialog gives it
  if (path[0] != '/' && !(path.size() > 1 && path[1] == ':')) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  return Result(in, t.texts[0], path);
}

Outcome WizardCreate(Interpreter& in, TokenBuffer& t) {
  if (t.count != 1) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  in.Ui().Minimize(true);
  in.Ui().WizardCreate();
  in.SetField("__WizardBack__", "1");
  in.SetField("__WizardNext__", "2");
  in.SetField("__WizardFinish__", "4");
  in.SetField("__WizardCancel__", "32001");
  return Flags(in, true);
}

Outcome WizardClose(Interpreter& in, TokenBuffer& t) {
  if (t.count != 1) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  in.Ui().WizardClose();
  in.Ui().Minimize(false);
  return Flags(in, true);
}

// Title and picture of every page, from the fields when the script set them.
void PageDecoration(Interpreter& in, WizardPage& page) {
  if (const std::string* v = in.GetField("__WizardTitle__")) page.title = *v;
  if (const std::string* v = in.GetField("__WizardBitmap__")) page.bitmap = *v;
}

Outcome WizardPageText(Interpreter& in, TokenBuffer& t) {
  if (!FunctionShape(t, 5)) return Outcome::kNoMatch;
  if (in.Checking()) return Outcome::kDone;
  auto v = Operands(in, t, 3);
  if (!v) return Outcome::kDone;
  WizardPage page;
  page.buttons = static_cast<int>(LeadingInteger((*v)[0]));
  page.text = (*v)[1];
  PageDecoration(in, page);
  WizardResult r = in.Ui().WizardShow(page);
  return Result(in, t.texts[0], std::to_string(r.button));
}

// F = wizardpagebrowse buttons kind text field [CHECK s l ...] | [RADIO c l ...]
Outcome WizardPageBrowse(Interpreter& in, TokenBuffer& t) {
  if (t.count < 7 || !Id(t, 0) || !Op(t, 3) || !Op(t, 4) || !Op(t, 5) || !Id(t, 6))
    return Outcome::kNoMatch;
  enum { kNone, kCheck, kRadio } mode = kNone;
  int extra = t.count - 7;
  if (extra > 0) {
    if (!Id(t, 7)) return Outcome::kNoMatch;
    int operands = extra - 1;
    if (t.texts[7] == "CHECK" && operands >= 2 && operands <= 8 && operands % 2 == 0)
      mode = kCheck;
    else if (t.texts[7] == "RADIO" && operands >= 2 && operands <= 5 && Id(t, 8))
      mode = kRadio;
    else
      return Outcome::kNoMatch;
    for (int i = 8; i < t.count; ++i)
      if (!Op(t, i)) return Outcome::kNoMatch;
    if (mode == kCheck)
      for (int i = 8; i < t.count; i += 2)
        if (!Id(t, i)) return Outcome::kNoMatch;  // a state must be a field to write back
  }
  if (in.Checking()) return Outcome::kDone;

  // the kind may be written bare, as getfiledate's is (wizardpagebrowse 3 DIR
  // ...); a field of that name still gives its value
  std::string kind = t.texts[4];
  if (t.kinds[4] == kIdentifier)
    if (const std::string* f = in.GetField(kind)) kind = *f;
  std::optional<std::string> buttons = in.OperandValue(t, 3);
  if (!buttons) return Outcome::kDone;
  std::optional<std::string> text = in.OperandValue(t, 5);
  if (!text) return Outcome::kDone;
  WizardPage page;
  page.input = true;
  page.buttons = static_cast<int>(LeadingInteger(*buttons));
  page.browseMode = kind == "DIR" ? 1 : kind == "GROUP" ? 2 : 0;
  page.text = *text;
  const std::string& field = t.texts[6];
  page.showEdit = field != "NO";
  if (page.showEdit) {
    const std::string* initial = in.GetField(field);
    if (!initial) {
      in.ReportError(MissingField(field));
      return Outcome::kDone;
    }
    page.editText = *initial;
  }
  auto label = [&](int i) -> std::optional<std::string> {
    if (t.kinds[i] == kLiteral) return t.texts[i];
    if (const std::string* f = in.GetField(t.texts[i])) return *f;
    in.ReportError("String oder Feld erwartet.");
    return std::nullopt;
  };
  int choice = 0;
  if (mode == kCheck) {
    for (int i = 8, box = 0; i < t.count; i += 2, ++box) {
      const std::string* state = in.GetField(t.texts[i]);
      std::string s = state ? *state : "0";
      auto l = label(i + 1);
      if (!l) return Outcome::kDone;
      page.checks[box] = {true, !s.empty() && s[0] != '0', *l};
    }
  } else if (mode == kRadio) {
    const std::string* c = in.GetField(t.texts[8]);
    choice = static_cast<int>(LeadingInteger(c ? *c : "1"));
    for (int i = 9, button = 0; i < t.count; ++i, ++button) {
      auto l = label(i);
      if (!l) return Outcome::kDone;
      page.radios[button] = {true, choice == button + 1, *l};
    }
  }
  PageDecoration(in, page);

  WizardResult r = in.Ui().WizardShow(page);
  in.SetField(t.texts[0], std::to_string(r.button));
  if (page.showEdit) in.SetField(field, r.editText);
  if (mode == kCheck)
    for (int i = 8, box = 0; i < t.count; i += 2, ++box)
      in.SetField(t.texts[i], r.checked[box] ? "1" : "0");
  if (mode == kRadio) {
    int buttons = t.count - 9;
    if (r.radio >= 1 && r.radio <= buttons) in.SetField(t.texts[8], std::to_string(r.radio));
  }
  return Flags(in, true);
}

}  // namespace

void AddDialogCommands(CommandTable& table) {
  table.AddStatement(kw_messagebox, MessageBoxCommand);
  table.AddStatement(kw_dialogout, DialogOut);
  table.AddStatement(kw_dialogloggingon, DialogLoggingOn);
  table.AddStatement(kw_dialogloggingoff, DialogLoggingOff);
  table.AddStatement(kw_createbackground, CreateBackground);
  table.AddFunction(kw_dialog, DialogCommand);
  table.AddFunction(kw_selectdir, SelectDir);
  table.AddFunction(kw_selectprogramgroup, SelectProgramGroup);
  table.AddFunction(kw_selectfile, SelectFile);
  table.AddStatement(kw_wizardcreate, WizardCreate);
  table.AddStatement(kw_wizardclose, WizardClose);
  table.AddFunction(kw_wizardpagetext, WizardPageText);
  table.AddFunction(kw_wizardpagebrowse, WizardPageBrowse);
}

}  // namespace instari::script::sys
