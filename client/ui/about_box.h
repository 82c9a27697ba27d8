// The about box: the product lines of the text table, the program's release, and the
// splash picture of the skin when there is one.
#pragma once

#include <QDialog>
#include <string>

namespace orv {

class TextTable;

// The release as shown: commas become full stops, blanks go; empty becomes " ".
std::string NormaliseFileVersion(const std::string& version);
// The program's version (compiled in from the project version), normalised.
std::string ProgramFileVersion();

class AboutBox : public QDialog {
public:
    // logoPath: the skin's splash picture; an empty or unreadable path shows no picture.
    AboutBox(QWidget* owner, const TextTable& texts, const std::string& logoPath);
};

} // namespace orv
