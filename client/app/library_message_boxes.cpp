#include "client/app/library_message_boxes.h"

#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "platform/message_box.h"

namespace orv {

namespace {
constexpr int kTextInformation = 1;
} // namespace

LibraryMessageBoxes::LibraryMessageBoxes(const TextTable& texts) : texts_(texts) {
    SetMessageBoxHandler([this](const std::string& title, const std::string& text) {
        WriteLog(3, "MessageBox %s: %s", title.c_str(), text.c_str());
        // Queued with this object as the context: dropped if it is gone by then.
        QMetaObject::invokeMethod(this, [this, title, text] { Show(title, text); }, Qt::QueuedConnection);
    });
}

LibraryMessageBoxes::~LibraryMessageBoxes() { SetMessageBoxHandler({}); }

void LibraryMessageBoxes::Show(const std::string& title, const std::string& text) {
    if (!shown_.insert(title + '\n' + text).second) return;
    waiting_.emplace_back(title, text);
    if (showing_) return; // the box showing now runs the next when it closes
    showing_ = true;
    while (!waiting_.empty()) {
        const auto [nextTitle, nextText] = std::move(waiting_.front());
        waiting_.pop_front();
        const int titleNumber = texts_.NumberOfEnglish(nextTitle);
        ShowSkinMessageBox(nullptr, texts_, titleNumber >= 0 ? titleNumber : kTextInformation,
                           texts_.FromEnglish(nextText));
    }
    showing_ = false;
}

} // namespace orv
