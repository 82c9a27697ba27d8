#include "client/app/app_message.h"

#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"

namespace orv {

void ShowAppMessage(QWidget* owner, const TextTable& texts, int titleNumber, const std::string& text) {
    WriteLog(3, "MessageBox %s: %s", texts.Text(titleNumber).c_str(), text.c_str());
    ShowSkinMessageBox(owner, texts, titleNumber, text);
}

void ShowAppMessage(QWidget* owner, const TextTable& texts, int titleNumber, int textNumber) {
    ShowAppMessage(owner, texts, titleNumber, texts.Text(textNumber));
}

} // namespace orv
