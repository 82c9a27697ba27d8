// The pages of the settings window, in tab order.
#include "client/ui/audio/audio_page.h"
#include "client/ui/windows/general_page.h"
#include "client/ui/windows/settings_page.h"
#include "client/ui/video/video_settings_page.h"

#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextVideo = 188;

// The video options as the settings window's Video page; a call locks it.
class VideoPage : public SettingsPage {
public:
    explicit VideoPage(const SettingsContext& context) {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(12, 12, 12, 12);
        page_ = new VideoSettingsPage(this, context.texts, context.config, context.videoControl);
        column->addWidget(page_);
        column->addStretch(1);
    }
    int TitleText() const override { return kTextVideo; }
    bool Apply() override { return page_->Apply(); }
    void Lock(bool idle) override { page_->setEnabled(idle); }

private:
    VideoSettingsPage* page_;
};

} // namespace

std::vector<SettingsPage*> SettingsPages(const SettingsContext& context) {
    std::vector<SettingsPage*> pages;
    pages.push_back(new GeneralPage(context));
    pages.push_back(new AudioPage(context));
    pages.push_back(new VideoPage(context));
    return pages;
}

} // namespace orv
