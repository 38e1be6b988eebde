#pragma once
// An error message shown to the person at the display. Main thread only.

#include <string>

struct SDL_Window;

namespace tessary {

// Blocks until the box is dismissed. `parent` may be null. Returns false when
// SDL could not show the box; nothing else is reported.
bool showErrorMessageBox(const std::string& title, const std::string& text, SDL_Window* parent);

}  // namespace tessary
