// The program's string resources: what LoadSprachString falls back to when
// the language table gives no text. These are the framework's standard
// English strings plus the program's document template and title.

#include <algorithm>
#include <iterator>

#include "prentix/lang/sprache.h"

namespace prentix {
namespace {

struct ResourceRow {
  int id;
  const char* text;
};

// Sorted by id.
constexpr ResourceRow kResources[] = {
    {2, "Prentix\nPrntx\nPrntx\nPrentix (*.pxi)\n.pxi\nPrntx\nPrntx"},
    {3, "Prentix\nPrntx\nPrntx\nPrentix (*.gif)\n.gif\nPrntx\nPrntx"},
    {57344, "Prentix"},
    {57345, "Ready"},
    // prompts of the system menu's commands
    {61184, "Change the window size"},
    {61185, "Change the window position"},
    {61186, "Reduce the window to an icon"},
    {61187, "Enlarge the window to full size"},
    {61188, "Switch to the next document window"},
    {61189, "Switch to the previous document window"},
    {61190, "Close the active window and prompts to save the documents"},
    {61202, "Restore the window to normal size"},
    // file dialogs; 61443 is the title of a new document, which the language
    // table does not have
    {61440, "Open"},
    {61441, "Save As"},
    {61442, "All Files (*.*)"},
    {61443, "Untitled"},
    // print preview and printing to a file
    {61504, "on %1"},
    {61505, "&One Page"},
    {61506, "&Two Page"},
    {61507, "Page %u"},
    {61508, "Page %u\nPages %u-%u\n"},
    {61509, "prn"},
    {61510, "Output.prn"},
    {61511, "Printer Files (*.prn)|*.prn|All Files (*.*)|*.*||"},
    {61512, "Print to File"},
    {61513, "to %1"},
    {61705, "Command failed."},
    {157616, "Recent File"},
};

constexpr bool SortedWithoutDuplicates() {
  for (size_t i = 1; i < std::size(kResources); ++i) {
    if (kResources[i - 1].id >= kResources[i].id) return false;
  }
  return true;
}
static_assert(SortedWithoutDuplicates(), "resource strings must be sorted by id");

}  // namespace

const char* ResourceString(int id) {
  auto it = std::lower_bound(std::begin(kResources), std::end(kResources), id,
                             [](const ResourceRow& row, int value) { return row.id < value; });
  return it != std::end(kResources) && it->id == id ? it->text : nullptr;
}

}  // namespace prentix
