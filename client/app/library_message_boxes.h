// LibraryMessageBoxes: the message boxes of the libraries below the front-end (the handset
// library cannot find its driver, ...) shown as the client's own boxes, in the user's language
// where the text table knows the text, and written to the diagnostic log.
//
// A library may ask from any thread and in the middle of its own work, so the box is shown
// later on the user-interface thread, never inside the library's call. Boxes come one after
// the other, never one over another. Each text is shown once per run (a missing file stays
// missing); repeats only reach the log.
#pragma once

#include <QObject>
#include <deque>
#include <set>
#include <string>

namespace orv {

class TextTable;

class LibraryMessageBoxes : public QObject {
public:
    // Takes over the libraries' message boxes until destroyed; texts must outlive this object.
    explicit LibraryMessageBoxes(const TextTable& texts);
    ~LibraryMessageBoxes() override; // the libraries' boxes go to standard error again

private:
    void Show(const std::string& title, const std::string& text);

    const TextTable& texts_;
    // User-interface thread only:
    std::set<std::string> shown_;
    std::deque<std::pair<std::string, std::string>> waiting_; // title and text
    bool showing_ = false;
};

} // namespace orv
