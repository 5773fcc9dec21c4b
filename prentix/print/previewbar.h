#pragma once
// The print preview's bar in the user's language: German, Italian, French
// and Spanish have captions of their own, every other language the
// standard English bar.

#include <array>
#include <string>

namespace prentix {

// Print, Next, Previous, the page-count switch, Zoom in, Zoom out, Close.
// No bar captions the page-count switch: it names the view it switches to,
// texts 61506 ("two pages") and 61505 ("one page") in the user's language.
using PreviewCaptions = std::array<std::string, 7>;
PreviewCaptions PreviewBarCaptions(int sprache);

}  // namespace prentix
