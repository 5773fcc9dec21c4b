#pragma once
// The print preview's bar in the user's language: German, Italian, French
// and Spanish have captions of their own, every other language the
// standard English bar.

#include <array>
#include <string>

namespace prentix {

// Print, Next, Previous, the page-count switch, Zoom in, Zoom out, Close.
// The localized bars leave the page-count switch without a caption.
using PreviewCaptions = std::array<std::string, 7>;
PreviewCaptions PreviewBarCaptions(int sprache);

}  // namespace prentix
