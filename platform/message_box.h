// A message box for code below the front-ends (libraries that must tell the user something).
// The front-end installs the handler that shows it; without one the text goes to standard
// error as "title: text".
#pragma once

#include <functional>
#include <string>

namespace orv {

using MessageBoxHandler = std::function<void(const std::string& title, const std::string& text)>;

// Replaces the handler (an empty one restores standard error); callable from any thread.
void SetMessageBoxHandler(MessageBoxHandler handler);
// Shows one box with an OK button: runs the handler on the calling thread.
void ShowMessageBox(const std::string& title, const std::string& text);

} // namespace orv
