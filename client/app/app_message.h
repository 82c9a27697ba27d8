// The message boxes of the start-up and the logon: the client's skinned message box with a
// title and a text from the text table. Every box is also written to the diagnostic log.
#pragma once

#include <string>

class QWidget;

namespace orv {

class TextTable;

void ShowAppMessage(QWidget* owner, const TextTable& texts, int titleNumber, const std::string& text);
void ShowAppMessage(QWidget* owner, const TextTable& texts, int titleNumber, int textNumber);

} // namespace orv
