// The own number window: the logged-on ORV number, selectable, and a Cancel button.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace orv {

class TextTable;

class OwnNumberWindow : public QDialog {
public:
    OwnNumberWindow(QWidget* owner, const TextTable& texts, const std::string& number);

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    const TextTable& texts_;
    QLabel* label_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace orv
