// Fills the "%s" and "%d" places of a user text in order, without handing the text to printf
// (texts can be replaced at run time and must never be read as a format).
#pragma once

#include <string>
#include <vector>

namespace orv {

// Each "%s" or "%d" takes the next argument (nothing when they run out); "%%" gives "%".
std::string FillText(const std::string& pattern, const std::vector<std::string>& args);

} // namespace orv
