// The server options dialog: the user server's address and port; OK keeps them.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;
class QSpinBox;

namespace orv {

class TextTable;

class ServerOptionsDialog : public QDialog {
public:
    ServerOptionsDialog(QWidget* parent, const TextTable& texts, const std::string& address, int port);
    std::string Address() const;
    std::uint16_t Port() const;

private:
    void accept() override; // refuses an empty address

    const TextTable& texts_;
    QLineEdit* address_;
    QSpinBox* port_;
};

// Runs the dialog; on OK stores address and port in *address and *port and returns true.
bool RunServerOptions(QWidget* parent, const TextTable& texts, std::string* address, int* port);

} // namespace orv
